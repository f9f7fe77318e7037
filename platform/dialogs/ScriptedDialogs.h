// A stand-in for the common dialogs that answers from a script: tests queue
// one answer per expected dialog and read back what each dialog was asked.
#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs/CommonDialogs.h"

namespace gbdlg {

class ScriptedDialogs : public CommonDialogs {
 public:
  enum class Kind { OpenFile, OpenFiles, SaveFile, PickFilesAndFolders, PickFolder, PickColour, PickFont };

  struct Answer {
    Kind kind;
    bool cancel = false;
    std::vector<std::string> paths;  // one path for the single-path dialogs
    COLORREF colour = 0;
    FontDescription font;
  };

  // What a dialog was asked, in order.
  struct Asked {
    Kind kind;
    FileRequest file;
    FolderRequest folder;
    COLORREF colour = 0;
    FontDescription font;
  };

  // Installs itself as the dialogs in use for its lifetime.
  ScriptedDialogs();
  ~ScriptedDialogs() override;

  void AnswerPath(Kind kind, const std::string& path);
  void AnswerPaths(Kind kind, std::vector<std::string> paths);
  void AnswerColour(COLORREF colour);
  void AnswerFont(const FontDescription& font);
  void Cancel(Kind kind);

  const std::vector<Asked>& asked() const { return asked_; }
  // Answers queued but never asked for.
  size_t pending() const { return answers_.size(); }

  std::optional<std::string> OpenFile(const FileRequest& request) override;
  std::optional<std::vector<std::string>> OpenFiles(const FileRequest& request) override;
  std::optional<std::string> SaveFile(const FileRequest& request) override;
  std::optional<std::vector<std::string>> PickFilesAndFolders(const FileRequest& request) override;
  std::optional<std::string> PickFolder(const FolderRequest& request) override;
  std::optional<COLORREF> PickColour(QWidget* parent, COLORREF initial, CustomColours* custom) override;
  std::optional<FontDescription> PickFont(QWidget* parent, const FontDescription& initial, COLORREF colour) override;

 private:
  // The next answer, which must be of this kind; an unexpected dialog cancels.
  std::optional<Answer> Next(Kind kind);

  std::deque<Answer> answers_;
  std::vector<Asked> asked_;
  CommonDialogs* previous_ = nullptr;
};

}  // namespace gbdlg
