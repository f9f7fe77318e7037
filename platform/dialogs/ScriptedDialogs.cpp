#include "platform/dialogs/ScriptedDialogs.h"

namespace gbdlg {

CommonDialogs* CurrentDialogsOverride();

ScriptedDialogs::ScriptedDialogs() : previous_(CurrentDialogsOverride()) { SetDialogs(this); }

ScriptedDialogs::~ScriptedDialogs() { SetDialogs(previous_); }

void ScriptedDialogs::AnswerPath(Kind kind, const std::string& path) {
  answers_.push_back(Answer{kind, false, {path}, 0, {}});
}

void ScriptedDialogs::AnswerPaths(Kind kind, std::vector<std::string> paths) {
  answers_.push_back(Answer{kind, false, std::move(paths), 0, {}});
}

void ScriptedDialogs::AnswerColour(COLORREF colour) {
  answers_.push_back(Answer{Kind::PickColour, false, {}, colour, {}});
}

void ScriptedDialogs::AnswerFont(const FontDescription& font) {
  answers_.push_back(Answer{Kind::PickFont, false, {}, 0, font});
}

void ScriptedDialogs::Cancel(Kind kind) { answers_.push_back(Answer{kind, true, {}, 0, {}}); }

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::Next(Kind kind) {
  if (answers_.empty() || answers_.front().kind != kind) return std::nullopt;
  Answer answer = std::move(answers_.front());
  answers_.pop_front();
  if (answer.cancel) return std::nullopt;
  return answer;
}

std::optional<std::string> ScriptedDialogs::OpenFile(const FileRequest& request) {
  asked_.push_back(Asked{Kind::OpenFile, request, {}, 0, {}});
  auto answer = Next(Kind::OpenFile);
  if (!answer || answer->paths.empty()) return std::nullopt;
  return answer->paths.front();
}

std::optional<std::vector<std::string>> ScriptedDialogs::OpenFiles(const FileRequest& request) {
  asked_.push_back(Asked{Kind::OpenFiles, request, {}, 0, {}});
  auto answer = Next(Kind::OpenFiles);
  if (!answer) return std::nullopt;
  return answer->paths;
}

std::optional<std::string> ScriptedDialogs::SaveFile(const FileRequest& request) {
  asked_.push_back(Asked{Kind::SaveFile, request, {}, 0, {}});
  auto answer = Next(Kind::SaveFile);
  if (!answer || answer->paths.empty()) return std::nullopt;
  return answer->paths.front();
}

std::optional<std::vector<std::string>> ScriptedDialogs::PickFilesAndFolders(const FileRequest& request) {
  asked_.push_back(Asked{Kind::PickFilesAndFolders, request, {}, 0, {}});
  auto answer = Next(Kind::PickFilesAndFolders);
  if (!answer) return std::nullopt;
  return answer->paths;
}

std::optional<std::string> ScriptedDialogs::PickFolder(const FolderRequest& request) {
  asked_.push_back(Asked{Kind::PickFolder, {}, request, 0, {}});
  auto answer = Next(Kind::PickFolder);
  if (!answer || answer->paths.empty()) return std::nullopt;
  return answer->paths.front();
}

std::optional<COLORREF> ScriptedDialogs::PickColour(QWidget*, COLORREF initial, CustomColours*) {
  asked_.push_back(Asked{Kind::PickColour, {}, {}, initial, {}});
  auto answer = Next(Kind::PickColour);
  if (!answer) return std::nullopt;
  return answer->colour;
}

std::optional<FontDescription> ScriptedDialogs::PickFont(QWidget*, const FontDescription& initial, COLORREF colour) {
  asked_.push_back(Asked{Kind::PickFont, {}, {}, colour, initial});
  auto answer = Next(Kind::PickFont);
  if (!answer) return std::nullopt;
  return answer->font;
}

}  // namespace gbdlg
