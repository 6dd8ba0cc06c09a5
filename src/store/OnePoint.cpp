#include "OnePoint.h"

#include "platform/Cp932.h"
#include "store/AppSettings.h"
#include "store/CMiniDOMNode.h"
#include "store/CMiniDOMResourceIO.h"

namespace vostrelle {

void ShowOnePoint(AppSettings& settings, TipSink& sink, std::string_view resource) {
  CMiniDOMNode root("");
  CMiniDOMResourceIO io;
  io.LoadFromResource(resource, root);  // a broken document simply has fewer tips
  const CMiniDOMNode* points = CMiniDOMNode::FindChild(&root, "OnePoint");
  int n = settings.Number;
  const CMiniDOMNode* tip = CMiniDOMNode::GetChild(points, n);
  if (!tip) {
    n = 0;
    tip = CMiniDOMNode::GetChild(points, 0);
    if (!tip) return;
  }
  settings.Number = n + 1;
  settings.SaveOptions();
  const std::string stars = "************************\r\n";
  sink.AppendText(stars);
  sink.AppendText("●ワンポイント\r\n"_sjis);
  sink.AppendText(tip->GetValue());
  sink.AppendText("\r\n");
  sink.AppendText(stars);
}

}  // namespace vostrelle
