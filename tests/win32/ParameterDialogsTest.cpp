// The parameter dialogs' windows: every template holds the controls its
// table record names, with the record's labels; the window fills and reads
// the real controls for the model, closes on an accepted OK or on Cancel,
// and opens help from the Help button and F1; the curve editor control
// edits its curve from posted mouse messages and paints it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "document/LAudioCutTank.h"
#include "document/LSDFile.h"
#include "effects/LEffectTable.h"
#include "support/LFile.h"
#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"
#include "ui/LEffectDialog.h"
#include "ui/LSampleRateDialog.h"
#include "ui/win32/LBrainWaveWindow.h"
#include "ui/win32/LDialogWindow.h"
#include "win32/ControlHost.h"

using namespace sondrel;
using namespace sondrel::wintest;

namespace {

std::string ClassOf(HWND w) {
    char c[64] = {};
    GetClassNameA(w, c, sizeof c);
    return c;
}

std::string TextOf(HWND w) {
    char t[256] = {};
    GetWindowTextA(w, t, sizeof t);
    return t;
}

// The texts of a dialog's labels: static controls and group boxes.
std::set<std::string> Labels(HWND dlg) {
    std::set<std::string> texts;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const bool group = ClassOf(c) == "Button" && (GetWindowLongA(c, GWL_STYLE) & 0xF) == BS_GROUPBOX;
        if (ClassOf(c) == "Static" || group) texts.insert(TextOf(c));
    }
    return texts;
}

class Recorder : public LHelpOpener {
public:
    bool OpenPage(const std::string& path) override {
        pages.push_back(path);
        return true;
    }
    std::vector<std::string> pages;
};

class ParameterDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterDialogClasses(GetModuleHandleA(nullptr)));
        dir = std::filesystem::absolute(test::ScratchDir("param-dialogs")).string();
        std::filesystem::create_directories(JoinPath(dir, "tank"));
        tank = std::make_unique<LCutTankScope>(JoinPath(dir, "tank"));
        SetSettingsStore(&settings);
        SetManualFolder("manual");
        SetHelpOpener(&help);
    }
    void TearDown() override {
        window.reset();
        model.reset();
        tank.reset();
        SetHelpOpener(nullptr);
        SetSettingsStore(nullptr);
    }

    HWND Open(LEffect id, const LSDFile* doc = nullptr) {
        window.reset();
        values = ReadStoredValues(EffectOf(id));
        model = std::make_unique<LSDEffectDialog>(EffectOf(id), values, doc, nullptr, dir);
        window = std::make_unique<LDialogWindow>(GetModuleHandleA(nullptr), *model, font);
        EXPECT_TRUE(window->OpenModeless(nullptr));
        Pump();
        return window->Window();
    }
    // Runs the dialog's messages (through its key filter) until none is left.
    void Pump() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) window->Dispatch(m);
    }
    bool Closed() { return !window->Window(); }

    std::string dir;
    LMemorySettings settings;
    Recorder help;
    std::unique_ptr<LCutTankScope> tank;
    LEffectValues values;
    std::unique_ptr<LSDEffectDialog> model;
    std::unique_ptr<LDialogWindow> window;
    HFONT font = CreateCurveLabelFont();
};

}  // namespace

TEST_F(ParameterDialogs, EveryTemplateHoldsItsRecordsControlsAndLabels) {
    for (const LEffectDesc& fx : kEffects) {
        if (!fx.nTemplate) continue;
        SCOPED_TRACE(fx.szCaption);
        HWND dlg = Open(fx.id);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(TextOf(dlg), fx.szCaption);
        const std::set<std::string> labels = Labels(dlg);
        for (const LEffectParam& p : fx.params) {
            SCOPED_TRACE(p.stored.szKey);
            const int count = p.control == LParamControl::kRadios ? p.nMax - p.nMin + 1 : 1;
            for (int k = 0; k < count; ++k) {
                HWND c = GetDlgItem(dlg, p.nControl + k);
                ASSERT_NE(c, nullptr);
                switch (p.control) {
                    case LParamControl::kEdit: EXPECT_EQ(ClassOf(c), "Edit"); break;
                    case LParamControl::kDBEdit: EXPECT_EQ(ClassOf(c), "LDBEdit"); break;
                    case LParamControl::kCombo: EXPECT_EQ(ClassOf(c), "ComboBox"); break;
                    case LParamControl::kRadios:
                        EXPECT_EQ(ClassOf(c), "Button");
                        EXPECT_EQ(GetWindowLongA(c, GWL_STYLE) & 0xF, BS_AUTORADIOBUTTON);
                        break;
                }
            }
            // The label: in the template, or set from the record.
            if (p.nLabelControl) {
                EXPECT_EQ(TextOf(GetDlgItem(dlg, p.nLabelControl)), p.szLabel);
            } else {
                EXPECT_TRUE(labels.count(p.szLabel)) << p.szLabel;
            }
        }
        EXPECT_NE(GetDlgItem(dlg, IDOK), nullptr);
        EXPECT_NE(GetDlgItem(dlg, IDCANCEL), nullptr);
        EXPECT_EQ(TextOf(GetDlgItem(dlg, IDHELP)), "Help");
        EXPECT_EQ(GetDlgItem(dlg, IDC_PREVIEW) != nullptr, fx.pfnPreview != nullptr);
        if (fx.szCurveFile) {
            EXPECT_EQ(ClassOf(GetDlgItem(dlg, IDC_CURVE)), "LBrainWaveWindow");
            EXPECT_EQ(TextOf(GetDlgItem(dlg, IDC_SET_FLAT)), "Set Flat");
        }
    }
    // The mix dialog's radio buttons and group in the template.
    HWND mix = Open(LEffect::kPasteMix);
    EXPECT_EQ(TextOf(GetDlgItem(mix, IDC_MIX_INCREASE_SELECTION)), "Increase selection");
    EXPECT_EQ(TextOf(GetDlgItem(mix, IDC_MIX_INSERT_SILENCE)), "Insert silence");
    EXPECT_EQ(TextOf(GetDlgItem(mix, IDC_MIX_FADE_OUT)), "Fade out mix");
}

TEST_F(ParameterDialogs, SampleRateTemplates) {
    struct Case {
        LSampleRateDialogKind kind;
        const char* caption;
        bool channels;
    };
    for (const Case& c : {Case{LSampleRateDialogKind::kNewFile, "New File", true},
                          Case{LSampleRateDialogKind::kSetDefaults, "Set Defaults", true},
                          Case{LSampleRateDialogKind::kConvert, "Convert Sample Rate", false},
                          Case{LSampleRateDialogKind::kVox, "Vox Files Sample Rate", false}}) {
        SCOPED_TRACE(c.caption);
        int32_t rate = 22050;
        LSDSampleRateDialog rates(c.kind, &rate);
        LDialogWindow w(GetModuleHandleA(nullptr), rates);
        ASSERT_TRUE(w.OpenModeless(nullptr));
        HWND dlg = w.Window();
        EXPECT_EQ(TextOf(dlg), c.caption);
        HWND combo = GetDlgItem(dlg, IDC_SAMPLE_RATE);
        EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 11);
        EXPECT_EQ(GetWindowLongA(combo, GWL_STYLE) & 3, CBS_DROPDOWN);  // any rate can be typed
        EXPECT_EQ(GetDlgItem(dlg, IDC_MONO) != nullptr, c.channels);
        EXPECT_EQ(GetDlgItem(dlg, IDC_STEREO) != nullptr, c.channels);
        EXPECT_NE(GetDlgItem(dlg, IDHELP), nullptr);
        char t[16] = {};
        GetDlgItemTextA(dlg, IDC_SAMPLE_RATE, t, sizeof t);
        if (c.kind == LSampleRateDialogKind::kConvert) {
            EXPECT_STREQ(t, "22050");
        }
    }
}

// The window reads the real controls: an accepted OK closes it and stores,
// Cancel closes it and stores nothing.
TEST_F(ParameterDialogs, OkAndCancelThroughTheRealControls) {
    HWND dlg = Open(LEffect::kCompressor);
    HWND threshold = GetDlgItem(dlg, IDC_COMPRESSOR_THRESHOLD);
    // Typing into the slider's own edit, as a user does.
    SetWindowTextA(GetDlgItem(threshold, 100), "-25");
    SendDlgItemMessageA(dlg, IDC_COMPRESSOR_RATIO, CB_SETCURSEL, 3, 0);
    EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_COMPRESSOR_RATIO, CB_GETCOUNT, 0, 0), 7);
    PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    Pump();
    ASSERT_TRUE(Closed());
    EXPECT_EQ(window->Result(), IDOK);
    EXPECT_EQ(ReadInt("StoredValues", "CompressorThreshold", 0), -25);
    EXPECT_EQ(ReadInt("StoredValues", "CompressorRatio", 0), 3);
    EXPECT_EQ(values[0], -25);

    dlg = Open(LEffect::kPasteMix);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_MIX_FADE_TIME)));
    // A click on "Fade out mix" enables the fade time.
    PostMessageA(GetDlgItem(dlg, IDC_MIX_FADE_OUT), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_MIX_FADE_TIME)));
    SetDlgItemTextA(dlg, IDC_MIX_VOLUME, "60");
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Pump();
    ASSERT_TRUE(Closed());
    EXPECT_EQ(window->Result(), IDCANCEL);
    EXPECT_EQ(ReadInt("StoredValues", "PasteMixVolume", -1), -1);
    EXPECT_EQ(ReadInt("StoredValues", "LongerSelection", -1), -1);

    // Escape and the close box are Cancel too.
    dlg = Open(LEffect::kAmplify);
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_TRUE(Closed());
    EXPECT_EQ(window->Result(), IDCANCEL);
}

TEST_F(ParameterDialogs, HelpButtonAndF1OpenTheTopic) {
    HWND dlg = Open(LEffect::kEcho);
    PostMessageA(GetDlgItem(dlg, IDHELP), BM_CLICK, 0, 0);
    Pump();
    HWND edit = GetDlgItem(dlg, IDC_ECHO_GAIN);
    PostMessageA(edit, WM_KEYDOWN, VK_F1, 1);
    PostMessageA(edit, WM_KEYUP, VK_F1, LPARAM(1) | (LPARAM(1) << 30) | (LPARAM(1) << 31));
    Pump();
    EXPECT_EQ(help.pages, (std::vector<std::string>{JoinPath("manual", "effects.html"),
                                                    JoinPath("manual", "effects.html")}));
    EXPECT_FALSE(Closed());
    dlg = Open(LEffect::kRepeatLoop);
    PostMessageA(dlg, WM_KEYDOWN, VK_F1, 1);
    Pump();
    EXPECT_EQ(help.pages.back(), JoinPath("manual", "edit-dialogs.html"));
}

// Posted mouse messages edit the curve of the envelope dialog; the label
// follows the pointer; OK writes the file with the edited curve.
TEST_F(ParameterDialogs, CurveEditorControlEditsFromPostedMouseMessages) {
    LSDFile doc("take.wav");
    doc.audio = LCutListAudio(8000, 1);
    doc.audio.EfInsertSilence(0, 8000 * 4);
    doc.stSelStart.ms = 1000;
    doc.stSelEnd.ms = 3000;
    HWND dlg = Open(LEffect::kEnvelope, &doc);
    HWND curve = GetDlgItem(dlg, IDC_CURVE);
    ASSERT_NE(curve, nullptr);
    const LCurveView& v = model->Curve().View();
    ASSERT_GT(v.width, 100);
    auto at = [&](int x, int y) { return MAKELPARAM(v.ToWindowX(x), v.ToWindowY(y)); };

    // Painted: dark grey, yellow at the end points.
    EXPECT_EQ(PixelAt(curve, v.width / 2, v.height - 20), RGB(64, 64, 64));
    EXPECT_EQ(PixelAt(curve, v.ToWindowX(0) + 1, v.ToWindowY(128)), RGB(255, 255, 0));

    // Over a point the pointer is the hand; elsewhere the arrow.
    PostMessageA(curve, WM_MOUSEMOVE, 0, at(255, 128));
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
    PostMessageA(curve, WM_MOUSEMOVE, 0, at(128, 64));
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
    PostMessageA(curve, WM_LBUTTONDOWN, MK_LBUTTON, at(128, 64));  // insert
    PostMessageA(curve, WM_MOUSEMOVE, MK_LBUTTON, at(128, 32));    // drag it down
    PostMessageA(curve, WM_LBUTTONUP, 0, at(128, 32));
    PostMessageA(curve, WM_LBUTTONDOWN, MK_LBUTTON, at(2, 126));   // the first point
    PostMessageA(curve, WM_MOUSEMOVE, MK_LBUTTON, at(60, 250));    // keeps x 0
    PostMessageA(curve, WM_LBUTTONUP, 0, at(60, 250));
    Pump();
    const PointList& edited = model->Curve().Curve();
    ASSERT_EQ(edited.nPoints, 3);
    const int midX = edited.points[1].x, midY = edited.points[1].y;
    EXPECT_NEAR(midX, 128, 1);  // pixels to curve units and back
    EXPECT_NEAR(midY, 32, 1);
    EXPECT_EQ(edited.points[0].x, 0);
    EXPECT_NEAR(edited.points[0].y, 250, 1);
    // The label shows the dragged point's time within the selection and its level.
    EXPECT_NE(model->Curve().Label().find("%)"), std::string::npos);
    EXPECT_EQ(model->Curve().Label().rfind("(0:00:0", 0), 0u) << model->Curve().Label();
    EXPECT_EQ(PixelAt(curve, v.ToWindowX(midX), v.ToWindowY(midY)), RGB(255, 255, 0));

    // A right click on an end point removes nothing; on the new point, removes it.
    PostMessageA(curve, WM_RBUTTONDOWN, MK_RBUTTON, at(255, 128));
    PostMessageA(curve, WM_RBUTTONUP, 0, at(255, 128));
    Pump();
    EXPECT_EQ(model->Curve().Curve().nPoints, 3);
    PostMessageA(curve, WM_LBUTTONDOWN, MK_LBUTTON, at(200, 100));
    PostMessageA(curve, WM_LBUTTONUP, 0, at(200, 100));
    PostMessageA(curve, WM_RBUTTONDOWN, MK_RBUTTON, at(200, 100));
    PostMessageA(curve, WM_RBUTTONUP, 0, at(200, 100));
    Pump();
    EXPECT_EQ(model->Curve().Curve().nPoints, 3);

    // Disabled, the control is plain grey.
    EnableWindow(curve, FALSE);
    EXPECT_EQ(PixelAt(curve, v.ToWindowX(midX), v.ToWindowY(midY)), RGB(128, 128, 128));
    EnableWindow(curve, TRUE);

    PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    Pump();
    ASSERT_TRUE(Closed());
    const std::vector<uint8_t> file = test::ReadBytes(JoinPath(dir, "envelope.dat"));
    EXPECT_EQ(file, (std::vector<uint8_t>{3, 0, edited.points[0].y, uint8_t(midX), uint8_t(midY), 255, 128}));
    EXPECT_EQ(values.curve.nPoints, 3);
}
