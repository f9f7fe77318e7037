#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "tests/support/TestSupport.h"

namespace {

using Settings = std::map<std::string, std::string>;

// Runs "glimmerbox-cli settings" with every location inside root.
Settings RunSettings(const std::filesystem::path& root, const std::string& appFolder, const std::string& extra = "") {
  const auto q = [](const std::string& s) { return "'" + s + "'"; };
  std::filesystem::create_directories(root / "tmp");
  const std::string cmd = "HOME=" + q((root / "home").string()) + " XDG_CONFIG_HOME=" + q((root / "config").string()) +
                          " XDG_DATA_HOME=" + q((root / "data").string()) + " TMPDIR=" + q((root / "tmp").string()) +
                          " GLIMMERBOX_HOME=" + q((root / appFolder).string()) + " " + q(gbtest::CliPath()) +
                          " settings " + extra;
  std::string out;
  EXPECT_EQ(gbtest::Run(cmd, &out), 0) << cmd;
  Settings values;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const size_t eq = line.find('=');
    EXPECT_NE(eq, std::string::npos) << line;
    if (eq == std::string::npos) continue;
    EXPECT_EQ(values.count(line.substr(0, eq)), 0u) << "printed twice: " << line;
    values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

}  // namespace

TEST(CliSettings, FirstRunPrintsDefaultsAndLaterRunsSeeWhatWasWrittenBack) {
  gbtest::TempDir dir;
  const std::string app = (dir.path() / "app").string() + "/";
  const std::string home = (dir.path() / "home").string() + "/";
  const std::string ini = app + "Glimmerbox.ini";

  Settings first = RunSettings(dir.path(), "app");
  EXPECT_EQ(first["FirstRun"], "1");
  EXPECT_EQ(first["AppDirectory"], app);
  EXPECT_EQ(first["TempDirectory"], (dir.path() / "tmp").string() + "/");
  EXPECT_EQ(first["SettingsFile"], ini);
  EXPECT_EQ(first["PathFrame"], app + "Image/Frame");
  EXPECT_EQ(first["PathPortrait"], app + "Image/Portrait");
  EXPECT_EQ(first["PathBackGround"], app + "Image/Background");
  EXPECT_EQ(first["PathMask"], app + "Image/Mask");
  EXPECT_EQ(first["PathEmotion"], app + "Image/Emotion");
  EXPECT_EQ(first["PathBaseMap"], app + "Image/BaseMap");
  EXPECT_EQ(first["PathCurrent"], "");
  EXPECT_EQ(first["PathSave"], home + "Pictures/Glimmerbox");
  EXPECT_EQ(first["ShottingDelay"], "3");
  EXPECT_EQ(first["PrintWidth"], "364");
  EXPECT_EQ(first["PrintHeight"], "274");
  EXPECT_EQ(first["AutoChangeFrame"], "1");
  EXPECT_EQ(first["Alpha"], "255");
  EXPECT_EQ(first["Version"], "1.0.5");
  EXPECT_EQ(first["ClipboardFormat"], "CF_GBIMAGE");
  EXPECT_EQ(first["Gamma"], "1.23");
  EXPECT_EQ(first["ThresholdLevel"], "128");
  EXPECT_EQ(first["JpegQuality"], "90");
  EXPECT_EQ(first["TextTool.text"], "Glimmerbox");
  EXPECT_EQ(first["TextTool.lfFaceName"], "Times New Roman");
  EXPECT_EQ(first["TextTool.lfHeight"], "-36");
  EXPECT_EQ(first["TextTool.lfWeight"], "0");
  EXPECT_EQ(first["TextTool.lfCharSet"], "238");
  EXPECT_EQ(first["TextTool.textColor"], "0xA0FFFF");
  EXPECT_EQ(first["TextTool.boxColor"], "0xA05000");
  EXPECT_EQ(first["TextTool.roundRadius"], "25");
  EXPECT_EQ(first["TextTool.boxOpacity"], "0");
  EXPECT_TRUE(std::filesystem::is_directory(home + "Pictures/Glimmerbox"));

  // Second run, same home: the folders come back from the settings file.
  std::string bytes = gbtest::ReadFile(ini);
  Settings second = RunSettings(dir.path(), "app");
  EXPECT_EQ(second["FirstRun"], "0");
  for (const char* key : {"PathFrame", "PathPortrait", "PathBackGround", "PathMask", "PathEmotion", "PathBaseMap",
                          "PathSave", "ShottingDelay", "PrintWidth", "PrintHeight", "AutoChangeFrame", "Alpha"})
    EXPECT_EQ(second[key], first[key]) << key;
  EXPECT_EQ(gbtest::ReadFile(ini), bytes);  // nothing left to write back

  // Empty the frame folder and choose another portrait folder by hand.
  const auto at = bytes.find("PathFrame=");
  bytes.replace(at, bytes.find('\n', at) - at, "PathFrame=");
  const auto pat = bytes.find("PathPortrait=");
  bytes.replace(pat, bytes.find('\n', pat) - pat, "PathPortrait=/custom/portrait");
  gbtest::WriteFile(ini, bytes);
  Settings third = RunSettings(dir.path(), "app");
  EXPECT_EQ(third["PathFrame"], app + "Image/Frame");  // from the key store, and written back:
  EXPECT_NE(gbtest::ReadFile(ini).find("PathFrame=" + app + "Image/Frame\n"), std::string::npos);
  EXPECT_EQ(third["PathPortrait"], "/custom/portrait");

  // A fresh application directory: the key store, written at the last exit, supplies the folders.
  Settings fourth = RunSettings(dir.path(), "app2");
  EXPECT_EQ(fourth["FirstRun"], "1");
  EXPECT_EQ(fourth["PathPortrait"], "/custom/portrait");
  EXPECT_EQ(fourth["PathFrame"], app + "Image/Frame");
  EXPECT_EQ(fourth["Alpha"], "255");

  // Without the shutdown the key store keeps its values.
  const std::string store = gbtest::ReadFile(dir.path() / "config/Glimmerbox/registry.ini");
  std::string local = gbtest::ReadFile(dir.path() / "app2/Glimmerbox.ini");
  const auto pp = local.find("PathPortrait=");
  local.replace(pp, local.find('\n', pp) - pp, "PathPortrait=/not/kept");
  gbtest::WriteFile(dir.path() / "app2/Glimmerbox.ini", local);
  Settings fifth = RunSettings(dir.path(), "app2", "--no-shutdown");
  EXPECT_EQ(fifth["PathPortrait"], "/not/kept");
  EXPECT_EQ(gbtest::ReadFile(dir.path() / "config/Glimmerbox/registry.ini"), store);
}
