#include "Document.h"

#include <algorithm>

namespace vostrelle {

void CDocument::AddView(CView* view) {
  if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CDocument::RemoveView(CView* view) {
  std::erase(views_, view);
}

void CDocument::UpdateAllViews(CView* sender, long hint, HintObject* object) {
  // A view may close itself (and leave the list) while it handles a hint, so work on a
  // snapshot and check each view is still registered before calling it.
  const std::vector<CView*> snapshot = views_;
  for (CView* view : snapshot) {
    if (view == sender) continue;
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) continue;
    view->OnUpdate(sender, hint, object);
  }
}

void CDocument::SendInitialUpdate() {
  const std::vector<CView*> snapshot = views_;
  for (CView* view : snapshot) {
    if (std::find(views_.begin(), views_.end(), view) != views_.end()) view->OnInitialUpdate();
  }
}

void CDocument::SetTitle(const std::string& title) {
  title_ = title;
  if (titleListener_) titleListener_(title_);
}

bool CDocument::OnNewDocument() {
  DeleteContents();
  return true;
}

}  // namespace vostrelle
