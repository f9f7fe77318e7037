// The layer editor and the text dialog driven through their real controls:
// the photo editor's "Add decoration" journey, mouse drags (scrolled and
// not), the thumbnail strip, and the inputs that must be refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QtTest/QTest>
#include <cstring>
#include <functional>
#include <memory>

#include "app/FacecraftApp.h"
#include "layers/window/DlgMix.h"
#include "layers/window/DlgText.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "retouch/editor/DlgFilter.h"
#include "skin/CIconButton.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkStatic.h"
#include "tests/platform/profile/SandboxEnv.h"
#include "tests/support/Pixels.h"

namespace {

using gbtest::At;
using gbtest::Put;
using gbtest::Rgb;

void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

GbImage Gradient(uint32_t w, uint32_t h) {
  GbImage image(w, h, 24);
  for (uint32_t row = 0; row < h; ++row)
    for (uint32_t x = 0; x < w; ++x) Put(image, x, row, Rgb{uint8_t(x * 3), uint8_t(row * 2), uint8_t(x ^ row)});
  return image;
}

template <class T>
void WhenOpen(std::function<void(T*)> action) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!w) return;
    timer->stop();
    timer->deleteLater();
    action(w);
  });
  timer->start();
}

void ClickButton(QWidget* b) {
  ASSERT_NE(b, nullptr);
  QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(b->width() / 2, b->height() / 2));
  Settle();
}

void AnswerMessageBox(QString* seen) {
  WhenOpen<MessageBoxDlg>([seen](MessageBoxDlg* box) {
    if (seen) *seen = box->MessageLabel()->Text();
    box->Button(IDOK)->click();
  });
}

void Drag(QWidget* w, QPoint from, QPoint to) {
  QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(w, to);
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to);
  Settle();
}

constexpr Rgb kRed{220, 30, 40}, kBlue{20, 40, 230}, kWhite{255, 255, 255};

class LayerEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialogs = std::make_unique<gbdlg::ScriptedDialogs>();
    emotion = (env.root() / "emotion").string();
    std::filesystem::create_directories(emotion);
    InitTextSettings(textTool);
    std::memset(textTool.font.lfFaceName, 0, sizeof textTool.font.lfFaceName);
    std::strcpy(textTool.font.lfFaceName, "DejaVu Sans");
    std::strcpy(textTool.text, "Hi there");
    textTool.font.lfHeight = -16;
    textTool.opaque = 0;
    textTool.textColor = RGB(0, 255, 0);
  }
  void TearDown() override {
    mix.reset();
    dialogs.reset();
    // The caller's picture stays the caller's: the editor only reads it.
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
  }
  // A solid decoration with a white corner (its key) and a white hole.
  std::string Decoration(const std::string& name, uint32_t w, uint32_t h, Rgb colour) {
    GbImage image(w, h, 24);
    for (uint32_t row = 0; row < h; ++row)
      for (uint32_t x = 0; x < w; ++x) Put(image, x, row, colour);
    Put(image, 0, 0, kWhite);
    Put(image, w / 2, h / 2, kWhite);
    const std::string path = emotion + "/" + name;
    EXPECT_TRUE(image.SaveFile(path.c_str(), GB_TYPE_BMP));
    return path;
  }
  MixContext Context() {
    MixContext c;
    c.emotionFolder = emotion;
    c.textTool = &textTool;
    return c;
  }
  DlgMix& Open(const GbImage& picture) {
    mix.reset();
    if (bitmap) DeleteObject(bitmap);
    bitmap = picture.MakeDibSection();
    mix = std::make_unique<DlgMix>(bitmap, nullptr, Context());
    mix->show();
    Settle();
    return *mix;
  }
  void Click(int id) { ClickButton(mix->Item(id)); }
  void SelectRow(int row) {
    QListWidget* list = mix->LayerList();
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center() + QPoint(20, 0));
    Settle();
  }
  const MixLayerData& Layer(int i) { return mix->Layers()[size_t(i)]; }

  SandboxEnv env;
  std::unique_ptr<gbdlg::ScriptedDialogs> dialogs;
  std::string emotion;
  TextSettings textTool{};
  HBITMAP bitmap = nullptr;
  std::unique_ptr<DlgMix> mix;
};

TEST_F(LayerEditorTest, SmallPicturesAreCentredAndLargeOnesScroll) {
  Open(Gradient(200, 150));
  ASSERT_EQ(mix->LayerList()->count(), 1);
  EXPECT_EQ(mix->LayerList()->item(0)->text(), QStringLiteral("Image"));
  EXPECT_EQ(mix->LayerList()->item(0)->checkState(), Qt::Checked);
  EXPECT_EQ(mix->Selected(), 0);
  EXPECT_EQ(mix->DrawPosition(), QPoint(70, 77));
  EXPECT_FALSE(mix->HScroll()->isVisible());
  EXPECT_FALSE(mix->VScroll()->isVisible());

  Open(Gradient(640, 480));
  EXPECT_EQ(mix->DrawPosition(), QPoint(10, 32));
  EXPECT_TRUE(mix->HScroll()->isVisible());
  EXPECT_TRUE(mix->VScroll()->isVisible());
  EXPECT_EQ(mix->HScroll()->maximum(), 320);
  EXPECT_EQ(mix->VScroll()->maximum(), 240);
  EXPECT_EQ(mix->HScroll()->minimum(), 0);

  // Only one side too large: that side scrolls, the other is centred.
  Open(Gradient(500, 100));
  EXPECT_EQ(mix->DrawPosition(), QPoint(10, 32 + 70));
  EXPECT_TRUE(mix->HScroll()->isVisible());
  EXPECT_FALSE(mix->VScroll()->isVisible());
  EXPECT_EQ(mix->HScroll()->geometry().topLeft(), QPoint(10, 102 + 100));
}

// Add two decorations and a text, move one with the arrows, reorder, hide
// one, and hand the composite back to the photo editor as a new step.
TEST_F(LayerEditorTest, DecorationJourneyFromThePhotoEditorAndBack) {
  SettingsStore store;
  CFacecraftApp app(store);
  ASSERT_TRUE(app.StartUp());
  app.settings().PathEmotion = emotion;
  app.textTool = textTool;
  InstallLayerEditor(app);
  Decoration("a_red.bmp", 30, 20, kRed);
  Decoration("b_blue.bmp", 24, 16, kBlue);
  gbtest::WriteFile(emotion + "/c_broken.bmp", "BM not a picture");

  const GbImage base = Gradient(200, 150);
  DlgFilter editor(base.MakeDibSection());
  editor.show();
  Settle();
  ASSERT_EQ(editor.History().size(), 1u);

  GbImage handed;
  bool ran = false;
  WhenOpen<DlgMix>([&](DlgMix* m) {
    ran = true;
    auto click = [m](int id) { ClickButton(m->Item(id)); };
    // The broken file takes no slot.
    EXPECT_TRUE(m->Item(DlgMix::kThumbIds[0])->isVisible());
    EXPECT_TRUE(m->Item(DlgMix::kThumbIds[1])->isVisible());
    EXPECT_FALSE(m->Item(DlgMix::kThumbIds[2])->isVisible());
    click(DlgMix::kThumbIds[0]);
    click(DlgMix::kThumbIds[1]);
    ASSERT_EQ(m->Layers().size(), 3u);
    EXPECT_EQ(m->Selected(), 2);
    EXPECT_EQ(m->LayerList()->item(1)->text().toStdString(), emotion + "/a_red.bmp");

    WhenOpen<DlgText>([](DlgText* d) { ClickButton(d->Item(IDOK)); });
    click(DlgMix::kAddText);
    ASSERT_EQ(m->Layers().size(), 4u);
    EXPECT_EQ(m->Selected(), 3);
    EXPECT_EQ(m->Layers()[3].path, "TEXT");
    EXPECT_EQ(m->Layers()[3].x, 40);
    EXPECT_EQ(m->Layers()[3].y, 40);
    EXPECT_STREQ(m->Layers()[3].text.text, "Hi there");

    // The blue picture: 5 right, 3 down, 1 up, by MoveStep each.
    QListWidget* list = m->LayerList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(2)).center() + QPoint(20, 0));
    Settle();
    ASSERT_EQ(m->Selected(), 2);
    for (int i = 0; i < 5; ++i) click(DlgMix::kRight);
    for (int i = 0; i < 3; ++i) click(DlgMix::kDown);
    click(DlgMix::kUp);
    EXPECT_EQ(m->Layers()[2].x, 5 * DlgMix::MoveStep);
    EXPECT_EQ(m->Layers()[2].y, -2 * DlgMix::MoveStep);

    // Blue below red now; then red hidden by its check box.
    click(DlgMix::kLayerUp);
    EXPECT_EQ(m->Selected(), 1);
    EXPECT_EQ(m->Layers()[1].path, emotion + "/b_blue.bmp");
    EXPECT_EQ(m->LayerList()->item(1)->text().toStdString(), emotion + "/b_blue.bmp");
    m->LayerList()->item(2)->setCheckState(Qt::Unchecked);
    Settle();
    EXPECT_EQ(m->Layers()[2].visible, 0);

    // What must be on screen: the base, blue at (10, 4) without its white,
    // no red anywhere, and the text only inside its own rectangle.
    const GbImage& result = m->Result();
    GbImage expected(base);
    for (long row = 0; row < 16; ++row)
      for (long x = 0; x < 24; ++x)
        if (!(row == 0 && x == 0) && !(row == 8 && x == 12)) Put(expected, 10 + x, 4 + row, kBlue);
    const RECT text = LayerRectInComposite(m->Layers()[3]);
    long inText = 0;
    for (long row = 0; row < 150; ++row)
      for (long x = 0; x < 200; ++x) {
        const bool inside = x >= text.left && x < text.right && row >= text.top && row < text.bottom;
        if (inside) {
          inText += At(result, x, row) == At(expected, x, row) ? 0 : 1;
          continue;
        }
        ASSERT_TRUE(At(result, x, row) == At(expected, x, row)) << x << ", " << row;
      }
    EXPECT_GT(inText, 20);
    handed.CopyFrom(result);
    click(DlgMix::kAccept);
  });
  ClickButton(editor.Item(DlgFilter::kDecoration));
  ASSERT_TRUE(ran);
  ASSERT_EQ(editor.History().size(), 2u);
  EXPECT_EQ(editor.HistoryIndex(), 1);
  ASSERT_EQ(editor.WorkingImage()->Width(), 200u);
  for (long row = 0; row < 150; ++row)
    for (long x = 0; x < 200; ++x) ASSERT_TRUE(At(*editor.WorkingImage(), x, row) == At(handed, x, row));
  // The text dialog's choices stay for the next text layer.
  EXPECT_STREQ(app.textTool.text, "Hi there");

  // Cancel hands nothing back.
  WhenOpen<DlgMix>([&](DlgMix* m) {
    ClickButton(m->Item(DlgMix::kThumbIds[0]));
    ASSERT_EQ(m->Layers().size(), 2u);
    ClickButton(m->Item(IDCANCEL));
  });
  ClickButton(editor.Item(DlgFilter::kDecoration));
  EXPECT_EQ(editor.History().size(), 2u);
  for (long row = 0; row < 150; ++row)
    for (long x = 0; x < 200; ++x) ASSERT_TRUE(At(*editor.WorkingImage(), x, row) == At(handed, x, row));
  DlgFilter::DefaultDecorate() = nullptr;
}

TEST_F(LayerEditorTest, TheMouseDragsTheLayerUnderThePointerScrolledOrNot) {
  Decoration("a_red.bmp", 30, 20, kRed);
  Open(Gradient(200, 150));
  Click(DlgMix::kThumbIds[0]);
  ASSERT_EQ(mix->Selected(), 1);
  const QPoint at = mix->WindowPointOf(5, 5);
  EXPECT_EQ(at, QPoint(75, 82));
  // Down and right: x grows, a picture's y (upward) shrinks.
  Drag(mix.get(), at, at + QPoint(30, 10));
  EXPECT_EQ(Layer(1).x, 30);
  EXPECT_EQ(Layer(1).y, -10);
  // Up by 10 adds 10 to y.
  const QPoint again = mix->WindowPointOf(35, 15);
  Drag(mix.get(), again, again + QPoint(30, -10));
  EXPECT_EQ(Layer(1).x, 60);
  EXPECT_EQ(Layer(1).y, 0);
  // A press beside the layer, or where the uncorrected rectangle would put
  // it (the view origin, ignoring the centring), moves nothing.
  Drag(mix.get(), mix->WindowPointOf(59, 5), mix->WindowPointOf(100, 50));
  Drag(mix.get(), QPoint(11 + 65, 33 + 5), QPoint(11 + 95, 33 + 5));
  EXPECT_EQ(Layer(1).x, 60);
  EXPECT_EQ(Layer(1).y, 0);
  // A release with no press on the layer is forgotten.
  QTest::mouseRelease(mix.get(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
  Drag(mix.get(), mix->WindowPointOf(65, 5), mix->WindowPointOf(66, 5));
  EXPECT_EQ(Layer(1).x, 61);

  // Far off to the left: part of it stays on the picture, and it comes back.
  Drag(mix.get(), mix->WindowPointOf(65, 5), mix->WindowPointOf(65, 5) - QPoint(400, 0));
  EXPECT_EQ(Layer(1).x, 8 - 30);
  const GbImage& shown = mix->Result();
  EXPECT_TRUE(At(shown, 7, 5) == kRed);
  EXPECT_FALSE(At(shown, 8, 5) == kRed);
  Drag(mix.get(), mix->WindowPointOf(3, 5), mix->WindowPointOf(103, 5));
  EXPECT_EQ(Layer(1).x, 78);

  // Scrolled: a 640 x 480 picture with the layer at (300, 220) from the top.
  Open(Gradient(640, 480));
  Click(DlgMix::kThumbIds[0]);
  Drag(mix.get(), mix->WindowPointOf(5, 5), mix->WindowPointOf(305, 225));
  ASSERT_EQ(Layer(1).x, 300);
  ASSERT_EQ(Layer(1).y, -220);
  mix->HScroll()->setValue(200);
  mix->VScroll()->setValue(150);
  Settle();
  const QPoint seen = mix->WindowPointOf(305, 225);
  EXPECT_EQ(seen, QPoint(10 + 105, 32 + 75));
  Drag(mix.get(), seen, seen + QPoint(20, -10));
  EXPECT_EQ(Layer(1).x, 320);
  EXPECT_EQ(Layer(1).y, -210);
  // The view stays scrolled, so the layer is still under the pointer.
  EXPECT_EQ(mix->ScrollOffset(), QPoint(200, 150));
  Click(DlgMix::kRight);
  EXPECT_EQ(mix->ScrollOffset(), QPoint(200, 150));
  const QPoint later = mix->WindowPointOf(330, 215);
  EXPECT_EQ(later, seen + QPoint(20 + 2 + 3, -10));
  Drag(mix.get(), later, later + QPoint(-4, 6));
  EXPECT_EQ(Layer(1).x, 318);
  EXPECT_EQ(Layer(1).y, -216);
}

TEST_F(LayerEditorTest, ArrowsRemoveAndClearKeepTheBaseInPlace) {
  Decoration("a_red.bmp", 30, 20, kRed);
  Open(Gradient(120, 90));
  // Moving the base changes nothing that shows.
  Click(DlgMix::kUp);
  EXPECT_EQ(Layer(0).y, 2);
  Click(DlgMix::kThumbIds[0]);
  Click(DlgMix::kUp);
  EXPECT_EQ(Layer(1).y, 2);
  Click(DlgMix::kLeft);
  EXPECT_EQ(Layer(1).x, -2);
  WhenOpen<DlgText>([](DlgText* d) { ClickButton(d->Item(IDOK)); });
  Click(DlgMix::kAddText);
  Click(DlgMix::kUp);
  EXPECT_EQ(Layer(2).y, 38);
  // The last layer can't go further from the base, layer 1 not nearer.
  Click(DlgMix::kLayerDown);
  EXPECT_EQ(Layer(2).path, "TEXT");
  SelectRow(1);
  Click(DlgMix::kLayerUp);
  EXPECT_EQ(Layer(1).isText, 0);
  SelectRow(0);
  Click(DlgMix::kRemove);
  EXPECT_EQ(mix->Layers().size(), 3u);
  SelectRow(2);
  Click(DlgMix::kRemove);
  EXPECT_EQ(mix->Layers().size(), 2u);
  EXPECT_EQ(mix->Selected(), 1);
  Click(DlgMix::kThumbIds[0]);
  Click(DlgMix::kClear);
  EXPECT_EQ(mix->Layers().size(), 1u);
  EXPECT_EQ(mix->LayerList()->count(), 1);
  EXPECT_EQ(mix->Selected(), 0);
}

TEST_F(LayerEditorTest, TheStripPagesThroughTheEmotionFolder) {
  for (int i = 0; i < 12; ++i) Decoration("d" + std::to_string(10 + i) + ".bmp", 10 + i, 8, kRed);
  gbtest::WriteFile(emotion + "/notes.txt", "not a picture");
  Open(Gradient(100, 80));
  auto shown = [this] {
    int n = 0;
    for (int id : DlgMix::kThumbIds) n += mix->Item(id)->isVisible() ? 1 : 0;
    return n;
  };
  EXPECT_EQ(mix->PageStart(), 0);
  EXPECT_EQ(shown(), 5);
  Click(DlgMix::kPreviousPage);
  EXPECT_EQ(mix->PageStart(), 0);
  Click(DlgMix::kNextPage);
  EXPECT_EQ(mix->PageStart(), 5);
  Click(DlgMix::kNextPage);
  EXPECT_EQ(mix->PageStart(), 10);
  EXPECT_EQ(shown(), 2);
  EXPECT_EQ(mix->SlotPath(0), emotion + "/d20.bmp");
  Click(DlgMix::kNextPage);
  EXPECT_EQ(mix->PageStart(), 10);
  Click(DlgMix::kPreviousPage);
  EXPECT_EQ(mix->PageStart(), 5);

  // An empty folder and a missing one show no slots and page nowhere.
  std::filesystem::remove_all(emotion);
  std::filesystem::create_directories(emotion);
  Open(Gradient(100, 80));
  EXPECT_EQ(shown(), 0);
  Click(DlgMix::kNextPage);
  EXPECT_EQ(mix->PageStart(), 0);
  std::filesystem::remove_all(emotion);
  Open(Gradient(100, 80));
  EXPECT_EQ(shown(), 0);
  EXPECT_TRUE(mix->ThumbnailFiles().empty());
}

TEST_F(LayerEditorTest, PicturesThatCantBeDrawnAreRefusedWithAMessage) {
  Open(Gradient(100, 80));
  gbtest::WriteFile(emotion + "/broken.png", "\x89PNG\r\n\x1a\n broken");
  std::string huge(54, '\0');
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&huge[at], &v, 4); };
  huge[0] = 'B', huge[1] = 'M';
  put32(2, 70), put32(10, 54), put32(14, 40), put32(18, 20000), put32(22, 20000);
  huge[26] = 1, huge[28] = 24;
  huge += std::string(16, '\x7f');
  gbtest::WriteFile(emotion + "/huge.bmp", huge);
  for (const std::string& path : {emotion + "/broken.png", emotion + "/huge.bmp", emotion + "/missing.bmp"}) {
    QString said;
    AnswerMessageBox(&said);
    EXPECT_FALSE(mix->AddPictureLayer(path));
    EXPECT_TRUE(said.contains(QString::fromStdString(path))) << said.toStdString();
    EXPECT_EQ(mix->Layers().size(), 1u);
  }
  // Blanks around a path are dropped; a blank path adds nothing, silently.
  EXPECT_FALSE(mix->AddPictureLayer("   "));
  const std::string good = Decoration("good.bmp", 9, 7, kBlue);
  EXPECT_TRUE(mix->AddPictureLayer("  " + good + " "));
  EXPECT_EQ(Layer(1).path, good);
}

// ---- the text dialog ---------------------------------------------------------------------

TEST_F(LayerEditorTest, TheTextDialogShowsTheRecordAndKeepsWhatItDoesNotEdit) {
  textTool.boxOpacity = 0.37f;
  textTool.roundRadius = 25;
  textTool.opaque = 0;
  textTool.alignment = kAlignRight;
  DlgText dialog;
  dialog.Settings() = textTool;
  dialog.LoadControls();
  EXPECT_EQ(dialog.ItemAs<QSlider>(DlgText::kOpacity)->value(), 37);
  EXPECT_EQ(dialog.ItemAs<QLabel>(DlgText::kOpacityLabel)->text(), QStringLiteral("37%"));
  EXPECT_EQ(dialog.ItemAs<QLabel>(DlgText::kRadiusLabel)->text(), QStringLiteral("25%"));
  EXPECT_EQ(dialog.ItemAs<QSlider>(DlgText::kRadius)->value(), 25);
  // Background off, yet its controls start enabled until the box is clicked.
  EXPECT_FALSE(dialog.ItemAs<QCheckBox>(DlgText::kHasBackground)->isChecked());
  EXPECT_TRUE(dialog.Item(DlgText::kBoxColour)->isEnabled());
  EXPECT_TRUE(dialog.Item(DlgText::kOpacity)->isEnabled());
  dialog.show();
  Settle();
  // Moving a slider by keyboard updates value and label alike.
  auto* radius = dialog.ItemAs<QSlider>(DlgText::kRadius);
  radius->setFocus();
  QTest::keyClick(radius, Qt::Key_Right);
  EXPECT_EQ(dialog.Settings().roundRadius, 30);
  EXPECT_EQ(dialog.ItemAs<QLabel>(DlgText::kRadiusLabel)->text(), QStringLiteral("30%"));
  auto* box = dialog.ItemAs<QCheckBox>(DlgText::kHasBackground);
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
  EXPECT_FALSE(dialog.Item(DlgText::kBoxColour)->isEnabled());
  EXPECT_FALSE(dialog.Item(DlgText::kRadiusLabel)->isEnabled());

  // The font picker's colour is not taken; its description is.
  gbdlg::FontDescription font;
  font.face = "DejaVu Serif";
  font.height = -20;
  font.weight = 700;
  dialogs->AnswerFont(font);
  ClickButton(dialog.Item(DlgText::kFont));
  EXPECT_STREQ(dialog.Settings().font.lfFaceName, "DejaVu Serif");
  EXPECT_EQ(dialog.Settings().font.lfWeight, 700);
  EXPECT_EQ(dialog.Settings().textColor, textTool.textColor);

  dialog.ItemAs<QPlainTextEdit>(DlgText::kEdit)->setPlainText(QStringLiteral("two\nlines"));
  ClickButton(dialog.Item(IDOK));
  const TextSettings& out = dialog.Settings();
  EXPECT_STREQ(out.text, "two\r\nlines");
  EXPECT_EQ(out.opaque, 0);
  EXPECT_EQ(out.smooth, textTool.smooth);
  EXPECT_EQ(out.alignment, 2);
  EXPECT_EQ(out.boxColor, textTool.boxColor);
  EXPECT_FLOAT_EQ(out.boxOpacity, 0.37f);
  EXPECT_EQ(out.font.lfHeight, -20);
  EXPECT_EQ(out.font.lfCharSet, 0);  // the picker's, with the rest of the description
  EXPECT_EQ(out.roundRadius, 30);
}

TEST_F(LayerEditorTest, TextsAreHeldToTheRecordAndCancelLeavesTheToolAlone) {
  DlgText dialog;
  dialog.Settings() = textTool;
  dialog.LoadControls();
  auto* edit = dialog.ItemAs<QPlainTextEdit>(DlgText::kEdit);
  edit->setPlainText(QString(10000, QChar('x')));
  EXPECT_EQ(edit->toPlainText().size(), DlgText::kMaxText);
  dialog.OnOK();
  EXPECT_EQ(std::strlen(dialog.Settings().text), size_t(DlgText::kMaxText));
  // Multi-byte letters are not cut in half.
  edit->setPlainText(QString(3000, QChar(0x00E9)));
  dialog.OnOK();
  const size_t n = std::strlen(dialog.Settings().text);
  EXPECT_EQ(n % 2, 0u);
  EXPECT_TRUE(QString::fromUtf8(dialog.Settings().text).toUtf8() == QByteArray(dialog.Settings().text));
  edit->setPlainText(QString());
  dialog.OnOK();
  EXPECT_EQ(dialog.Settings().text[0], 0);

  // Through the layer editor: a colour chosen and then Cancel.
  Open(Gradient(100, 80));
  const TextSettings before = textTool;
  dialogs->AnswerColour(RGB(1, 2, 3));
  WhenOpen<DlgText>([](DlgText* d) {
    ClickButton(d->Item(DlgText::kBoxColour));
    EXPECT_EQ(d->Settings().boxColor, RGB(1, 2, 3));
    ClickButton(d->Item(IDCANCEL));
  });
  Click(DlgMix::kAddText);
  EXPECT_EQ(std::memcmp(&before, &textTool, sizeof before), 0);
  EXPECT_EQ(mix->Layers().size(), 1u);
  // An empty text makes a layer that draws only its box (here none).
  std::memset(textTool.text, 0, sizeof textTool.text);
  WhenOpen<DlgText>([](DlgText* d) { ClickButton(d->Item(IDOK)); });
  Click(DlgMix::kAddText);
  ASSERT_EQ(mix->Layers().size(), 2u);
  for (long row = 0; row < 80; ++row)
    for (long x = 0; x < 100; ++x) ASSERT_TRUE(At(mix->Result(), x, row) == At(Gradient(100, 80), x, row));
}

}  // namespace

namespace {

TEST_F(LayerEditorTest, WithoutAPictureTheFirstDecorationIsTheBaseAndEnterOpensAPhotoEditor) {
  const std::string red = Decoration("a_red.bmp", 30, 20, kRed);
  mix = std::make_unique<DlgMix>(nullptr, nullptr, Context());
  mix->show();
  Settle();
  EXPECT_EQ(mix->LayerList()->count(), 0);
  EXPECT_FALSE(mix->Result().HasPixels());
  ASSERT_TRUE(mix->AddPictureLayer(red));
  ASSERT_EQ(mix->Layers().size(), 1u);
  EXPECT_EQ(mix->Layers()[0].source, FromFile);
  // The base is drawn as it is, its corner colour included.
  ASSERT_EQ(mix->Result().Width(), 30u);
  EXPECT_TRUE(At(mix->Result(), 0, 0) == kWhite);
  EXPECT_TRUE(At(mix->Result(), 1, 0) == kRed);

  bool opened = false;
  WhenOpen<DlgFilter>([&](DlgFilter* editor) {
    opened = true;
    EXPECT_EQ(editor->WorkingImage(), nullptr);
    ClickButton(editor->Item(IDCANCEL));
  });
  QTest::keyClick(mix.get(), Qt::Key_Return);
  Settle();
  EXPECT_TRUE(opened);
  EXPECT_TRUE(mix->isVisible());
  EXPECT_EQ(mix->result(), 0);
}

}  // namespace
