#pragma once
// The folder-selection dialog shared by the settings-folder dialog and the options.

#include <string>

class QWidget;

namespace vostrelle {

class FolderBrowser {
 public:
  enum Result { kChosen = 1, kCancelled = 2 };

  explicit FolderBrowser(QWidget* owner) : owner_(owner) {}

  // The instruction shown with the dialog (its title here); CP932.
  void SetTitle(const std::string& title) { title_ = title; }
  // The folder selected when the dialog opens; CP932.
  void SetInitialPath(const std::string& path) {
    initialPath_ = path;
    useInitialPath_ = true;
  }

  // kChosen when a folder was picked, kCancelled otherwise (also when the folder's
  // name has no CP932 form, so it could not be used as a path).
  int Run();
  // The picked folder (CP932); empty until then.
  const std::string& GetPath() const { return path_; }

 private:
  QWidget* owner_;
  std::string title_;
  std::string initialPath_;
  bool useInitialPath_ = false;
  std::string path_;
};

}  // namespace vostrelle
