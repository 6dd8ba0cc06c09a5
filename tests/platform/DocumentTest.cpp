#include <gtest/gtest.h>

#include "platform/Document.h"

using namespace vostrelle;

namespace {

struct Recorder : CView {
  std::vector<long>* log;
  long id;
  CDocument* doc = nullptr;
  bool removeSelf = false;
  CView* removeOther = nullptr;
  Recorder(std::vector<long>* l, long i) : log(l), id(i) {}
  void OnUpdate(CView*, long hint, HintObject*) override {
    log->push_back(id * 100 + hint);
    if (removeSelf) doc->RemoveView(this);
    if (removeOther) doc->RemoveView(removeOther);
  }
};

}  // namespace

TEST(DocumentViews, HintsReachEveryViewButTheSenderInOrder) {
  CDocument doc;
  std::vector<long> log;
  Recorder a(&log, 1), b(&log, 2), c(&log, 3);
  doc.AddView(&a);
  doc.AddView(&b);
  doc.AddView(&c);
  doc.AddView(&a);  // added once only
  doc.UpdateAllViews(&b, 9);
  EXPECT_EQ(log, (std::vector<long>{109, 309}));
}

TEST(DocumentViews, AViewRemovedDuringDeliveryIsNotCalledAgain) {
  CDocument doc;
  std::vector<long> log;
  Recorder a(&log, 1), b(&log, 2), c(&log, 3);
  a.doc = b.doc = &doc;
  a.removeOther = &c;  // a closes c while handling the hint
  b.removeSelf = true;
  doc.AddView(&a);
  doc.AddView(&b);
  doc.AddView(&c);
  doc.UpdateAllViews(nullptr, 5);
  EXPECT_EQ(log, (std::vector<long>{105, 205}));
  EXPECT_EQ(doc.Views().size(), 1u);
}

TEST(DocumentViews, TitleChangesReachTheListener) {
  CDocument doc;
  std::string seen;
  doc.SetTitleListener([&](const std::string& t) { seen = t; });
  doc.SetTitle("x");
  EXPECT_EQ(seen, "x");
  EXPECT_EQ(doc.GetTitle(), "x");
}
