// "settings": runs the program's start-up rules without a window, prints the
// resulting settings and text-tool record, then runs the shutdown, which
// writes the folders back to the key store, as closing the program does.
#include <cstdio>
#include <string>

#include "app/FacecraftApp.h"
#include "tools/Cli.h"

namespace {

// One value per line: control bytes are shown as \xNN.
std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out;
}

void Put(const char* key, const std::string& value) { std::printf("%s=%s\n", key, Printable(value).c_str()); }
void Put(const char* key, long long value) { std::printf("%s=%lld\n", key, value); }
void PutHex(const char* key, unsigned value) { std::printf("%s=0x%06X\n", key, value); }
void PutReal(const char* key, double value) { std::printf("%s=%g\n", key, value); }

int RunSettings(const CliArgs& args) {
  CFacecraftApp app;
  app.SetCommandLine(args.positional());
  if (!app.StartUp()) {
    std::fprintf(stderr, "glimmerbox-cli settings: the start-up failed\n");
    return 1;
  }
  const SettingsStore& s = app.settings();
  Put("AppDirectory", s.appDirectory);
  Put("TempDirectory", s.tempDirectory);
  Put("SettingsFile", s.settingsFile);
  Put("PathFrame", s.PathFrame);
  Put("PathPortrait", s.PathPortrait);
  Put("PathBackGround", s.PathBackGround);
  Put("PathMask", s.PathMask);
  Put("PathEmotion", s.PathEmotion);
  Put("PathBaseMap", s.PathBaseMap);
  Put("PathCurrent", s.PathCurrent);
  Put("PathSave", s.PathSave);
  Put("ShottingDelay", s.ShottingDelay);
  Put("PrintWidth", s.PrintWidth);
  Put("PrintHeight", s.PrintHeight);
  Put("AutoChangeFrame", s.AutoChangeFrame);
  Put("Alpha", s.Alpha);

  Put("Version", app.version);
  Put("FirstRun", app.firstRun ? 1 : 0);
  Put("ProjectPath", app.projectPath);
  PutReal("JpegQuality", app.jpegQuality);
  Put("JpegOptions", app.jpegOptions);
  Put("RawOptions", app.rawOptions);
  Put("DocType", app.docType);
  PutReal("Gamma", app.processing.gamma);
  Put("ThresholdLevel", app.processing.thresholdLevel);
  Put("ClipboardFormat", app.clipboardFormat);

  const TextSettings& t = app.textTool;
  Put("TextTool.text", t.text);
  Put("TextTool.lfFaceName", t.font.lfFaceName);
  Put("TextTool.lfHeight", t.font.lfHeight);
  Put("TextTool.lfWidth", t.font.lfWidth);
  Put("TextTool.lfEscapement", t.font.lfEscapement);
  Put("TextTool.lfOrientation", t.font.lfOrientation);
  Put("TextTool.lfWeight", t.font.lfWeight);
  Put("TextTool.lfItalic", t.font.lfItalic);
  Put("TextTool.lfUnderline", t.font.lfUnderline);
  Put("TextTool.lfStrikeOut", t.font.lfStrikeOut);
  Put("TextTool.lfCharSet", t.font.lfCharSet);
  Put("TextTool.lfOutPrecision", t.font.lfOutPrecision);
  Put("TextTool.lfClipPrecision", t.font.lfClipPrecision);
  Put("TextTool.lfQuality", t.font.lfQuality);
  Put("TextTool.lfPitchAndFamily", t.font.lfPitchAndFamily);
  PutHex("TextTool.textColor", t.textColor);
  Put("TextTool.alignment", t.alignment);
  Put("TextTool.smooth", t.smooth);
  Put("TextTool.opaque", t.opaque);
  PutHex("TextTool.boxColor", t.boxColor);
  PutReal("TextTool.boxOpacity", t.boxOpacity);
  Put("TextTool.outline", t.outline);
  Put("TextTool.roundRadius", t.roundRadius);

  if (!args.has("no-shutdown")) app.ExitInstance();
  return 0;
}

}  // namespace

GB_CLI_COMMAND("settings", "run the start-up rules and print the settings",
               "[--no-shutdown] [project-file]\n"
               "  Loads the settings as the program does at start-up (writing first-run\n"
               "  defaults and empty folders back to the settings file and the key store),\n"
               "  prints them one key=value a line, then writes the folders back to the\n"
               "  key store as the program's shutdown does (skipped with --no-shutdown).\n"
               "  Locations follow GLIMMERBOX_HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, HOME, TMPDIR.",
               {"no-shutdown"}, RunSettings);
