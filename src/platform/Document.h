#pragma once
// The document/view framework: one document keeps its views in order and tells them
// about changes through numbered hints, never by the views calling each other.

#include <functional>
#include <string>
#include <vector>

namespace vostrelle {

// Base of every hint payload, so that a view can test what it was given.
class HintObject {
 public:
  virtual ~HintObject() = default;
};

class CDocument;

class CView {
 public:
  virtual ~CView() = default;
  // sender is the view that caused the update, or nullptr for the document.
  virtual void OnUpdate(CView* sender, long hint, HintObject* object) = 0;
  virtual void OnInitialUpdate() {}
};

class CDocument {
 public:
  virtual ~CDocument() = default;

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& Views() const { return views_; }

  // Delivers the hint to every view except sender, in the order they were added. A
  // view removed during the delivery is skipped; one added during it is not reached.
  void UpdateAllViews(CView* sender, long hint = 0, HintObject* object = nullptr);

  // Runs every view's initial update in order.
  void SendInitialUpdate();

  const std::string& GetTitle() const { return title_; }
  void SetTitle(const std::string& title);
  // Called after every SetTitle (the frame puts the title in its caption).
  void SetTitleListener(std::function<void(const std::string&)> listener) {
    titleListener_ = std::move(listener);
  }

  // The framework's "new document": empties the contents, then builds them.
  virtual bool OnNewDocument();
  virtual void DeleteContents() {}
  // Whether the document may be discarded (asked before the program ends).
  virtual bool SaveModified() { return true; }

 private:
  std::vector<CView*> views_;
  std::string title_;
  std::function<void(const std::string&)> titleListener_;
};

}  // namespace vostrelle
