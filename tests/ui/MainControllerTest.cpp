// The main window's behaviour through its controller: zoom and view,
// position and selection moves, playing, scanning, the edit commands with
// their undo labels and positions afterwards, enabling, keys, closing with
// the save prompts, and the refreshes the window is asked for.
#include <gtest/gtest.h>

#include "effects/LSRCTimeStretch.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"
#include "ui/LMainMenu.h"
#include "ui/LMainModel.h"
#include "ui/MainTestDoubles.h"

namespace sondrel::test {
namespace {


// ------------------------------------------------------------------ zoom and view

TEST(MainZoom, ZoomInHalvesAroundThePositionButKeepsAHundredFrames) {
    struct Case {
        LMsView view;
        int32_t pos, rate;
        LMsView want;
    } cases[] = {
        {{0, 10000}, 5000, 44100, {2500, 7500}},
        {{0, 10000}, 1000, 44100, {0, 5000}},  // not before 0
        {{0, 4}, 1, 44100, {0, 3}},            // 100 frames at 44100 Hz are 2.27 ms: 3 ms
        {{0, 2}, 0, 8000, {0, 13}},            // 12.5 ms
        {{0, 0}, 0, 1000, {0, 100}},
    };
    for (const Case& c : cases) {
        LMsView got = ZoomIn(c.view, c.pos, c.rate);
        EXPECT_EQ(got.start, c.want.start) << c.view.end << " " << c.rate;
        EXPECT_EQ(got.end, c.want.end) << c.view.end << " " << c.rate;
        EXPECT_GE(LSoundTime(got.end - got.start).GetSamples(c.rate), 100);
    }
}

TEST(MainZoom, ZoomOutDoublesButNeverWiderThanTheFile) {
    struct Case {
        LMsView view;
        int32_t length;
        LMsView want;
    } cases[] = {
        {{4000, 6000}, 10000, {3000, 7000}},
        {{0, 4000}, 5000, {0, 5000}},      // capped at the length
        {{8000, 10000}, 10000, {6000, 10000}},  // kept inside the file at the end
        {{0, 100}, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZoomOut(c.view, c.length), c.want) << c.view.start << ".." << c.view.end;
        EXPECT_LE(ZoomOut(c.view, c.length).end - ZoomOut(c.view, c.length).start, std::max(c.length, 0));
    }
}

TEST(MainZoom, ViewFollowsThePositionAndTheWheel) {
    EXPECT_EQ(FollowPosition({1000, 3000}, 2000), (LMsView{1000, 3000}));
    EXPECT_EQ(FollowPosition({1000, 3000}, 5000), (LMsView{3000, 5000}));
    EXPECT_EQ(FollowPosition({1000, 3000}, 500), (LMsView{500, 2500}));
    EXPECT_EQ(WheelScroll({1000, 2600}, 1, 10000), (LMsView{1200, 2800}));
    EXPECT_EQ(WheelScroll({1000, 2600}, -20, 10000), (LMsView{0, 1600}));
    EXPECT_EQ(WheelScroll({1000, 2600}, 100, 10000), (LMsView{8400, 10000}));
}

TEST(MainScroll, BarPosition) {
    EXPECT_EQ(ScrollPosition(0, 0), 0);
    EXPECT_EQ(ScrollPosition(5000, 10000), 100);
    EXPECT_EQ(ScrollPosition(10000, 10000), 200);  // 201 steps, at most the range's end
}

TEST(MainPlacement, StoredRectangleFitsTheDesktop) {
    LPlacement desk{0, 0, 1024, 768};
    struct Case {
        LPlacement stored, want;
    } cases[] = {
        {{188, 77, 740, 627}, {188, 77, 740, 627}},
        {{-50, -20, 2000, 1500}, {0, 0, 1024, 768}},  // shrunk, then moved inside
        {{900, 700, 400, 300}, {624, 468, 400, 300}},
        {{10, 10, 0, -5}, {10, 10, 320, 240}},  // a damaged size stays usable
    };
    for (const Case& c : cases) EXPECT_EQ(FitPlacement(c.stored, desk), c.want) << c.stored.x << "," << c.stored.y;
    EXPECT_EQ(FitPlacement({0, 0, 800, 600}, {-1280, 0, 1280, 1024}), (LPlacement{-800, 0, 800, 600}));
}

using MainView = MainFixture;

TEST_F(MainView, EmptyDocumentShowsASecondAndNoDocumentGreysTheWaves) {
    ctl->Init("");
    EXPECT_FALSE(view.wavesShown);
    EXPECT_EQ(view.title, "Sondrel");
    EXPECT_EQ(view.texts[IDC_CURRENT_TIME], "0:00:00.00");
    Open(0);
    EXPECT_TRUE(view.wavesShown);
    EXPECT_EQ(Doc().stViewEnd.ms, 1000);
    EXPECT_EQ(view.viewLength, 1000);  // frames at 1000 Hz
    ctl->Command(IDM_ZOOM_FULL);
    EXPECT_EQ(view.viewLength, 1000);
}

TEST_F(MainView, ZoomCommandsMoveTheMainView) {
    Open(10000);
    EXPECT_EQ(view.viewLength, 10000);
    Position(5000);
    ctl->Command(IDM_ZOOM_IN);
    EXPECT_EQ(view.viewStart, 2500);
    EXPECT_EQ(view.viewLength, 5000);
    ctl->Command(IDM_ZOOM_OUT);
    EXPECT_EQ(view.viewStart, 0);
    EXPECT_EQ(view.viewLength, 10000);
    Select(2000, 3000);
    ctl->Command(IDM_ZOOM_SELECTION);
    EXPECT_EQ(view.viewStart, 2000);
    EXPECT_EQ(view.viewLength, 1000);
    ctl->Wheel(1, true);
    EXPECT_EQ(view.viewLength, 500);
    ctl->Wheel(-1, false);
    EXPECT_EQ(view.viewStart, 4750 + 500 / 8);  // zoomed in around the position, 5000
    ctl->Command(IDM_ZOOM_FULL);
    EXPECT_EQ(view.viewLength, 10000);
}

TEST_F(MainView, VerticalZoomShowsTheMainViewLouder) {
    Open(2000);
    int starts = view.waveStarts;
    ctl->KeyDown('V', {true, true, false});
    EXPECT_TRUE(ctl->VerticalZoom());
    EXPECT_TRUE(view.checked[IDM_VERTICAL_ZOOM]);
    EXPECT_TRUE(view.checked[IDC_VERTICAL_ZOOM]);
    EXPECT_EQ(view.waveStarts, starts + 1);
    view.main->Seek(999);
    view.overview->Seek(999);
    int32_t a, b;
    view.main->Read(&a, 1);
    view.overview->Read(&b, 1);
    EXPECT_EQ(b, 999 * 16);
    EXPECT_GT(a, 7 * b);  // +18 dB is close to eight times
    ctl->ControlNotify(IDC_VERTICAL_ZOOM, 0);
    EXPECT_FALSE(ctl->VerticalZoom());
}

// ------------------------------------------------------------------ position and selection

TEST_F(MainView, PositionMovesCollapseOrExtendTheSelection) {
    Open(10000);
    Select(2000, 4000);
    Position(3000);
    ctl->Scroll(kScrollLineRight, 0);  // a plain move deselects
    EXPECT_EQ(Doc().stPosition.ms, 5000);
    EXPECT_EQ(Doc().stSelStart.ms, 5000);
    EXPECT_EQ(Doc().stSelEnd.ms, 5000);
    EXPECT_EQ(view.scroll, 100);

    ctl->KeyDown(vk::kShift, {false, true, false});
    ctl->KeyDown(vk::kEnd, {false, true, false});
    EXPECT_EQ(Doc().stSelStart.ms, 5000);
    EXPECT_EQ(Doc().stSelEnd.ms, 10000);
    ctl->KeyUp(vk::kEnd, {false, true, false});
    EXPECT_FALSE(ctl->ExtendsSelection());
    ctl->KeyDown(vk::kHome, {false, true, false});
    EXPECT_EQ(Doc().stSelStart.ms, 0);
    EXPECT_EQ(Doc().stSelEnd.ms, 5000);  // from the anchor taken when Shift went down
    EXPECT_EQ(view.texts[IDC_SELECTION_LENGTH], "0:00:05.000");
    EXPECT_EQ(view.markEnd, 5000);
    ctl->KeyUp(vk::kShift, {});
    ctl->KeyDown(vk::kEnd, {});
    EXPECT_EQ(Doc().stSelStart.ms, 10000);
    EXPECT_EQ(view.markEnd, -1);
}

TEST_F(MainView, WaveWindowSelectionAndClicks) {
    Open(10000);
    ctl->WaveNotify(IDC_WAVE, 8, 1000, 3000, 0);
    EXPECT_EQ(Doc().stSelStart.ms, 1000);
    EXPECT_EQ(view.timers[IDT_TIME_FIELDS], 50);
    ctl->Timer(IDT_TIME_FIELDS);
    EXPECT_EQ(view.texts[IDC_SELECTION_END], "0:00:03.00");
    EXPECT_EQ(view.timers.count(IDT_TIME_FIELDS), 0u);
    ctl->WaveNotify(IDC_OVERVIEW, 2, 1000, 3500, 3500);
    EXPECT_EQ(Doc().stSelEnd.ms, 3500);
    EXPECT_EQ(Doc().stPosition.ms, 3500);  // the selection stays after the click
    // While playing, a click seeks the player instead.
    ctl->Command(IDM_PLAY);
    ctl->WaveNotify(IDC_WAVE, 2, 7000, -1, 7000);
    EXPECT_EQ(player.seeks.back(), 7000);
    EXPECT_EQ(Doc().stPosition.ms, 7000);
}

// ------------------------------------------------------------------ playing

TEST_F(MainView, PlayingASelectionPlaysExactlyItAndReturnsToItsStart) {
    Open(10000);
    Select(2000, 3000);
    Position(6000);
    ctl->Command(IDM_PLAY);
    ASSERT_EQ(player.starts, 1);
    EXPECT_TRUE(ctl->StopsAtSelectionEnd());
    EXPECT_EQ(player.played->GetPosition(), 2000);
    EXPECT_EQ(player.played->GetLength(), 3000);  // the source ends with the selection
    EXPECT_EQ(view.playerState, kPlayerOpen);
    player.Position(2500);
    EXPECT_EQ(Doc().stPosition.ms, 2500);
    EXPECT_EQ(Doc().stSelStart.ms, 2000);  // still selected while it plays
    EXPECT_EQ(Doc().stSelEnd.ms, 3000);
    player.PlayToEnd();
    EXPECT_EQ(Doc().stPosition.ms, 2000);
    EXPECT_FALSE(ctl->StopsAtSelectionEnd());
    EXPECT_EQ(view.levels, 0);

    // A position report past the end stops it as well.
    ctl->Command(IDM_PLAY);
    player.Position(3100);
    EXPECT_EQ(player.state, 0);
    EXPECT_EQ(Doc().stPosition.ms, 2000);
}

TEST_F(MainView, PlayNearTheEndRestartsAndStopKeepsThePosition) {
    Open(10000);
    Position(9950);
    ctl->Command(IDM_PLAY);
    EXPECT_EQ(player.played->GetPosition(), 0);
    player.Position(4000);
    EXPECT_EQ(Doc().stSelStart.ms, 4000);  // playing without a selection moves the empty one along
    ctl->KeyDown(vk::kEscape, {});
    EXPECT_EQ(player.state, 0);
    EXPECT_EQ(Doc().stPosition.ms, 4000);
    Position(9899);
    ctl->Command(IDM_PLAY);
    EXPECT_EQ(player.played->GetPosition(), 9899);
}

TEST_F(MainView, PlaySpeedWrapsTheSourceInATimeStretch) {
    Open(10000);
    ctl->KeyDown(vk::kF11, {});
    EXPECT_EQ(ReadInt("Settings", "PlaySpeed", 1), 0);
    EXPECT_TRUE(view.checked[IDM_PLAY_SLOW]);
    auto* slow = dynamic_cast<LSRCTimeStretch*>(player.played.Get());
    ASSERT_NE(slow, nullptr);
    EXPECT_EQ(slow->Hop(), slow->SegmentSamples() / 2);
    ctl->Command(IDM_PLAY_FAST);
    auto* fast = dynamic_cast<LSRCTimeStretch*>(player.played.Get());
    ASSERT_NE(fast, nullptr);
    EXPECT_EQ(fast->Hop(), int32_t(fast->SegmentSamples() * 1.5));
    ctl->KeyDown(vk::kF10, {});
    EXPECT_EQ(dynamic_cast<LSRCTimeStretch*>(player.played.Get()), nullptr);
    EXPECT_TRUE(view.checked[IDM_PLAY_NORMAL]);
    EXPECT_FALSE(view.checked[IDM_PLAY_FAST]);
}

TEST_F(MainView, ScrubSpaceAndEnd) {
    Open(10000);
    Position(1000);
    ctl->KeyDown(vk::kSpace, {});
    EXPECT_EQ(player.state, kPlayerOpen | kPlayerCueing);
    ctl->Scroll(kScrollLineRight, 0);
    EXPECT_EQ(player.seeks.back(), 3000);
    EXPECT_EQ(view.cursorSpan, 25);
    ctl->KeyDown(vk::kEnd, {});
    EXPECT_EQ(player.seeks.back(), 10000);  // cueing: the very end
    ctl->KeyDown(vk::kSpace, {});
    EXPECT_EQ(player.plays, 1);
    EXPECT_EQ(player.state, kPlayerOpen);
    ctl->KeyDown(vk::kEnd, {});
    EXPECT_EQ(player.seeks.back(), 9000);  // playing: a second before it
    ctl->KeyDown(vk::kHome, {});
    EXPECT_EQ(player.seeks.back(), 0);
    ctl->KeyDown(vk::kF9, {false, false, true});  // Alt+F9: play, then go to the end
    EXPECT_EQ(player.seeks.back(), 9000);
}

TEST_F(MainView, ScansRampThroughTheTimeStretchAndResume) {
    struct Case {
        bool forward;
        int mode;  // 0 stopped, 1 scrubbing, 2 playing
        double factor;
        int32_t startMs;
    } cases[] = {
        {false, 0, -0.5, 4850}, {false, 1, -0.1, 5000}, {false, 2, -0.5, 4850},
        {true, 0, 1.5, 5000},   {true, 1, 0.1, 5000},   {true, 2, 1.5, 5000},
    };
    Open(10000);
    for (const Case& c : cases) {
        ctl->Command(IDM_STOP);
        Position(5000);
        if (c.mode >= 1) ctl->Command(IDM_PLAY);
        if (c.mode == 1) ctl->KeyDown(vk::kSpace, {});
        ctl->KeyDown(c.forward ? vk::kRight : vk::kLeft, {});
        auto* scan = dynamic_cast<LSRCTimeStretch*>(player.played.Get());
        ASSERT_NE(scan, nullptr);
        EXPECT_EQ(scan->Hop(), int32_t(scan->SegmentSamples() * c.factor)) << c.forward << c.mode;
        // The stretch reads ahead by up to a segment (20 frames at 1000 Hz).
        EXPECT_NEAR(scan->GetPosition(), c.startMs, 25) << c.forward << c.mode;
        EXPECT_TRUE(view.held[c.forward ? IDC_FORWARD : IDC_REWIND]);
        int starts = player.starts;
        ctl->KeyDown(c.forward ? vk::kRight : vk::kLeft, {});  // held: no restart
        EXPECT_EQ(player.starts, starts);
        player.Position(6000);
        ctl->KeyUp(c.forward ? vk::kRight : vk::kLeft, {});
        EXPECT_FALSE(view.held[c.forward ? IDC_FORWARD : IDC_REWIND]);
        uint16_t want = c.mode == 0 ? 0 : c.mode == 1 ? (kPlayerOpen | kPlayerCueing) : kPlayerOpen;
        EXPECT_EQ(player.state, want) << c.forward << c.mode;
        EXPECT_EQ(Doc().stPosition.ms, 6000);
    }
}

// Rewind and Fast Forward from the menu have no button to let go: the
// button shows held, and the next click or key ends the scan as a release
// does (back to what played before); Stop and Play end it too, and so does
// the end of the file.
TEST_F(MainView, MenuScansHoldTheirButtonUntilTheNextClickKeyStopOrPlay) {
    enum End { kClick, kKey, kStop, kPlay, kFileEnd };
    struct Case {
        int command;
        End end;
        bool playingBefore;
        uint16_t after;  // the player's state once the scan ended
    } cases[] = {
        {IDM_FAST_FORWARD, kClick, false, 0},
        {IDM_REWIND, kClick, true, kPlayerOpen},  // back to playing, as a release does
        {IDM_FAST_FORWARD, kKey, false, 0},
        {IDM_FAST_FORWARD, kStop, true, 0},
        {IDM_REWIND, kPlay, false, kPlayerOpen},
        {IDM_FAST_FORWARD, kFileEnd, false, 0},
    };
    Open(10000);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.command) + " end " + std::to_string(int(c.end)));
        const int button = c.command == IDM_REWIND ? IDC_REWIND : IDC_FORWARD;
        ctl->Command(IDM_STOP);
        Position(5000);
        if (c.playingBefore) ctl->Command(IDM_PLAY);
        ctl->Command(c.command);
        ASSERT_NE(dynamic_cast<LSRCTimeStretch*>(player.played.Get()), nullptr);
        EXPECT_TRUE(view.held[button]);
        EXPECT_TRUE(c.command == IDM_REWIND ? ctl->BackScanning() : ctl->ForwardScanning());
        player.Position(c.command == IDM_REWIND ? 4000 : 6000);
        switch (c.end) {
            case kClick: ctl->MouseDown(); break;
            case kKey: ctl->KeyDown('A', {}); break;
            case kStop: ctl->Command(IDM_STOP); break;
            case kPlay: ctl->Command(IDM_PLAY); break;
            case kFileEnd: player.PlayToEnd(); break;
        }
        EXPECT_FALSE(view.held[button]);
        EXPECT_FALSE(ctl->BackScanning() || ctl->ForwardScanning());
        EXPECT_EQ(player.state, c.after);
        if (c.after) {
            EXPECT_EQ(dynamic_cast<LSRCTimeStretch*>(player.played.Get()), nullptr);  // not the scan
        }
        // Nothing is left to end: a later click changes nothing.
        const int starts = player.starts, stops = player.stops;
        ctl->MouseDown();
        EXPECT_EQ(player.starts, starts);
        EXPECT_EQ(player.stops, stops);
    }
    // Fast Forward while Rewind runs from the menu: one held button.
    ctl->Command(IDM_STOP);
    ctl->Command(IDM_REWIND);
    ctl->Command(IDM_FAST_FORWARD);
    EXPECT_FALSE(view.held[IDC_REWIND]);
    EXPECT_TRUE(view.held[IDC_FORWARD]);
    EXPECT_TRUE(ctl->ForwardScanning());
    ctl->MouseDown();
    EXPECT_FALSE(view.held[IDC_FORWARD]);
    EXPECT_FALSE(ctl->ForwardScanning());
}

TEST_F(MainView, DraggingPastTheEdgesScansWhileSelecting) {
    Open(10000);
    ctl->WaveNotify(IDC_WAVE, 6, 3000, 5000, 3000);  // dragged left from 5000
    EXPECT_TRUE(ctl->BackScanning());
    player.Position(1000);
    EXPECT_EQ(Doc().stSelStart.ms, 1000);
    EXPECT_EQ(Doc().stSelEnd.ms, 5000);  // the drag's start stays the far end
    ctl->WaveNotify(IDC_WAVE, 7, 1000, 5000, 1000);
    EXPECT_FALSE(ctl->BackScanning());
    EXPECT_FALSE(ctl->ExtendsSelection());
    EXPECT_EQ(player.state, 0);
    ctl->WaveNotify(IDC_WAVE, 4, 5000, 7000, 7000);
    EXPECT_TRUE(ctl->ForwardScanning());
    player.Position(8000);
    EXPECT_EQ(Doc().stSelStart.ms, 5000);
    EXPECT_EQ(Doc().stSelEnd.ms, 8000);
}

TEST_F(MainView, PlayerReportsDriveButtonsAndMeter) {
    Open(1000);
    ctl->Command(IDM_PLAY);
    int8_t levels[2] = {-10, -12};
    ctl->PlayerLevels(levels, 2);
    EXPECT_EQ(view.levels, 2);
    ctl->Command(IDM_STOP);
    EXPECT_EQ(view.playerState, 0);
    EXPECT_EQ(view.levels, 0);
    ctl->PlayerLevels(levels, 2);  // late reports after the stop are dropped
    EXPECT_EQ(view.levels, 0);
}

// ------------------------------------------------------------------ edits

struct EditCase {
    int command;
    int32_t selStart, selEnd, position;
    const char* undo;  // "" when no snapshot
    int32_t length, wantPos, wantSelStart, wantSelEnd;
    LMsView wantView;  // start -1: not checked
};

class MainEdits : public MainFixture, public ::testing::WithParamInterface<EditCase> {};

TEST_P(MainEdits, UndoLabelPositionSelectionAndView) {
    const EditCase& c = GetParam();
    Open(10000);
    ctl->Command(IDM_COPY);  // nothing selected: the clipboard stays empty
    EXPECT_EQ(ctl->Documents().clipboard.GetLength(), 0);
    ctl->Documents().clipboard = List(std::vector<int32_t>(500, 16), 1, 1000);
    Doc().stViewStart.ms = 1000;
    Doc().stViewEnd.ms = 9000;
    Click(c.position);
    if (c.selStart || c.selEnd) Select(c.selStart, c.selEnd);
    ASSERT_TRUE(ctl->Command(c.command));
    EXPECT_EQ(Doc().UndoLabel(), c.undo);
    EXPECT_EQ(view.commandTexts[IDM_UNDO], std::string("Undo ") + c.undo + "\tCtrl+Z");
    EXPECT_EQ(Doc().LengthMs(), c.length);
    EXPECT_EQ(Doc().stPosition.ms, c.wantPos);
    EXPECT_EQ(Doc().stSelStart.ms, c.wantSelStart);
    EXPECT_EQ(Doc().stSelEnd.ms, c.wantSelEnd);
    if (c.wantView.start >= 0) {
        EXPECT_EQ(Doc().stViewStart.ms, c.wantView.start);
        EXPECT_EQ(Doc().stViewEnd.ms, c.wantView.end);
    }
    EXPECT_EQ(Doc().bDirty != 0, c.undo[0] != 0);
    EXPECT_EQ(view.On(IDM_SAVE), c.undo[0] != 0);
    EXPECT_EQ(view.On(IDM_UNDO), c.undo[0] != 0);
    EXPECT_FALSE(view.On(IDM_REDO));
    if (c.undo[0]) {
        const LSDFile after = Doc();
        ctl->Command(IDM_UNDO);
        EXPECT_EQ(Doc().LengthMs(), 10000);
        EXPECT_EQ(Doc().UndoLabel(), "");
        EXPECT_FALSE(view.On(IDM_UNDO));
        EXPECT_TRUE(view.On(IDM_REDO));
        EXPECT_EQ(view.commandTexts[IDM_REDO], std::string("Redo ") + c.undo + "\tCtrl+Y");
        // Redo by either of its keys gives back exactly what the edit left.
        for (bool shiftZ : {false, true}) {
            SCOPED_TRACE(shiftZ ? "Ctrl+Shift+Z" : "Ctrl+Y");
            if (shiftZ) ctl->KeyDown('Z', {true, true, false});
            else ctl->KeyDown('Y', {true, false, false});
            EXPECT_EQ(Doc().UndoLabel(), c.undo);
            EXPECT_EQ(Doc().RedoLabel(), "");
            EXPECT_FALSE(view.On(IDM_REDO));
            EXPECT_EQ(ReadAll(*CreateSource(Doc().audio)), ReadAll(*CreateSource(after.audio)));
            EXPECT_EQ(Doc().bDirty, after.bDirty);
            for (auto [got, want] : {std::pair{Doc().stPosition.ms, after.stPosition.ms},
                                     {Doc().stSelStart.ms, after.stSelStart.ms},
                                     {Doc().stSelEnd.ms, after.stSelEnd.ms},
                                     {Doc().stViewStart.ms, after.stViewStart.ms},
                                     {Doc().stViewEnd.ms, after.stViewEnd.ms}})
                EXPECT_EQ(got, want);
            if (!shiftZ) ctl->KeyDown('Z', {true, false, false});  // undo again for the other key
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MainEdits,
    ::testing::Values(
        EditCase{IDM_CUT, 2000, 3000, 2500, "Cut", 9000, 2000, 2000, 2000, {1000, 9000}},
        EditCase{IDM_DELETE, 2000, 3000, 2500, "Delete", 9000, 2000, 2000, 2000, {1000, 9000}},
        EditCase{IDM_PASTE, 2000, 3000, 2500, "Paste", 9500, 2000, 2000, 2500, {1000, 9000}},
        EditCase{IDM_PASTE, 0, 0, 4000, "Paste", 10500, 4000, 4000, 4500, {1000, 9000}},
        EditCase{IDM_TRIM, 2000, 3000, 2500, "Trim", 1000, 0, 0, 0, {0, 1000}},
        EditCase{IDM_TRIM_START, 0, 0, 4000, "Trim Start", 6000, 0, 0, 0, {0, 6000}},
        EditCase{IDM_TRIM_END, 0, 0, 4000, "Trim End", 4000, 0, 0, 0, {0, 4000}},
        EditCase{IDM_SILENCE, 2000, 3000, 2500, "Edit Silence", 10000, 2000, 2000, 3000, {1000, 9000}},
        EditCase{IDM_COPY, 2000, 3000, 2500, "", 10000, 2500, 2000, 3000, {1000, 9000}},
        EditCase{IDM_SELECT_ALL, 0, 0, 2500, "", 10000, 2500, 0, 10000, {0, 10000}},
        EditCase{IDM_ZOOM_SELECTION, 2000, 3000, 2500, "", 10000, 2500, 2000, 3000, {2000, 3000}}),
    [](const ::testing::TestParamInfo<EditCase>& info) {
        return std::to_string(info.param.command) + "_" + std::to_string(info.index);
    });

TEST_F(MainView, AutomaticPlaybackStartsBeforeTheEdit) {
    WriteBool("Settings", "AutoPlaybackAfterEffects", true);
    Open(10000);
    Select(4000, 6000);
    ctl->Command(IDM_CUT);
    EXPECT_EQ(player.starts, 1);
    EXPECT_EQ(Doc().stPosition.ms, 3000);  // a second before the cut
    EXPECT_EQ(player.played->GetPosition(), 3000);
    EXPECT_EQ(player.played->GetLength(), 8000);  // the new audio
    EXPECT_FALSE(ctl->StopsAtSelectionEnd());
}

// While a file loads, the overview draws it from what has arrived; when the
// load ends, done, cancelled or failed, the waves of the document then
// current are shown again.
TEST_F(MainView, ALoadDrawsTheOverviewAsItArrivesAndTheWavesComeBack) {
    std::string wav = JoinPath(dir, "long.wav"), text = JoinPath(dir, "text.wav");
    {
        LSDFile other;
        other.audio = List(std::vector<int32_t>(40000, 160), 1, 1000);
        LDocuments tmp(dialogs);
        dialogs.savePaths = {wav};
        ASSERT_TRUE(tmp.SaveDocumentAs(other));
        ASSERT_TRUE(LFile::WriteAll(text.c_str(), "not a sound", 11));
    }
    int32_t seenFrames = -1;
    int64_t seenArrived = -1;
    dialogs.onBlock = [&] {
        if (!view.loading) return;
        if (auto o = view.loading->Overview()) {
            seenFrames = view.loading->Frames();
            seenArrived = std::max(seenArrived, o->Frames());
        }
    };
    struct Case {
        const char* name;
        std::string path;
        int cancelAfter;
        int32_t currentLength;  // frames of the document shown afterwards
    } cases[] = {
        {"cancelled", wav, 3, 2000},
        {"not audio", text, -1, 2000},
        {"loaded", wav, -1, 40000},
    };
    Open(2000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.loadingShown.clear();
        seenFrames = seenArrived = -1;
        const int starts = view.waveStarts;
        dialogs.cancelAfterBlocks = c.cancelAfter;
        ctl->Load(c.path);
        EXPECT_EQ(view.loadingShown, (std::vector<bool>{true, false}));
        EXPECT_EQ(view.loading, nullptr);
        if (c.path == wav) {
            EXPECT_EQ(seenFrames, 40000);  // the reader's length, before the copy ends
            EXPECT_GT(seenArrived, 0);
            EXPECT_LT(seenArrived, 40000);
        }
        EXPECT_EQ(view.waveStarts, starts + 1);
        ASSERT_TRUE(view.overview);
        EXPECT_EQ(view.overview->GetLength(), c.currentLength);
    }
}

// The file named at the start loads under a window already in its empty
// state: its title, and no command that needs a document.
TEST_F(MainView, TheStartsFileLoadsUnderAWholeWindow) {
    std::string wav = JoinPath(dir, "start.wav");
    {
        LSDFile other;
        other.audio = List(std::vector<int32_t>(20000, 160), 1, 1000);
        LDocuments tmp(dialogs);
        dialogs.savePaths = {wav};
        ASSERT_TRUE(tmp.SaveDocumentAs(other));
    }
    int blocks = 0;
    dialogs.onBlock = [&] {
        if (blocks++) return;
        EXPECT_EQ(view.title, "Sondrel");
        EXPECT_TRUE(view.enabled.count(IDM_CLOSE));
        EXPECT_FALSE(view.On(IDM_CLOSE));
    };
    ctl->Init(wav);
    EXPECT_GT(blocks, 0);
    EXPECT_EQ(view.title, "Sondrel [start.wav]");
    EXPECT_TRUE(view.On(IDM_CLOSE));
}

TEST_F(MainView, InsertFileAndCopyToNew) {
    Open(3000);
    std::string wav = JoinPath(dir, "other.wav");
    {
        LSDFile other;
        other.audio = List(std::vector<int32_t>(2000, 160), 1, 1000);
        LDocuments tmp(dialogs);
        dialogs.savePaths = {wav};
        ASSERT_TRUE(tmp.SaveDocumentAs(other));
    }
    Position(1000);
    dialogs.openPaths = {wav};
    ctl->Command(IDM_INSERT_FILE_CURRENT);
    EXPECT_EQ(Doc().UndoLabel(), "Insert File At Current Position");
    EXPECT_EQ(Doc().LengthMs(), 5000);
    ctl->Command(IDM_INSERT_FILE_END);  // the open dialog is cancelled: nothing happens
    EXPECT_EQ(Doc().LengthMs(), 5000);

    Select(1000, 3000);
    ctl->Command(IDM_COPY_TO_NEW);
    ASSERT_EQ(ctl->Documents().GetNoFiles(), 2);
    EXPECT_EQ(Doc().LengthMs(), 2000);
    EXPECT_EQ(Doc().bDirty, 1);
    EXPECT_EQ(view.title, "Sondrel [Untitled 2]");
    EXPECT_EQ(Doc().stViewEnd.ms, 2000);
    ASSERT_EQ(view.windows.size(), 2u);
    EXPECT_EQ(view.windows[1].szText, "&2. Untitled 2");
    EXPECT_EQ(view.checkedWindow, IDM_WINDOW_FIRST + 1);
    ctl->Command(IDM_WINDOW_FIRST);
    EXPECT_EQ(view.title, "Sondrel [Untitled 1]");
    EXPECT_EQ(view.checkedWindow, IDM_WINDOW_FIRST);
}

TEST_F(MainView, EffectsRunThroughTheirDialogAndTable) {
    Open(4000);
    Select(1000, 2000);
    services.effectValues = {{0, 50}};
    ctl->Command(4001);  // Amplify 50 %
    ASSERT_EQ(services.dialogs, std::vector<int>{4001});
    EXPECT_EQ(Doc().UndoLabel(), "Amplify");
    std::vector<int32_t> s = Samples(Doc().audio);
    EXPECT_NEAR(s[1500], 500 * 16 / 2, 4);
    EXPECT_EQ(s[2500], 500 * 16);

    services.acceptEffect = false;
    ctl->Command(4004);  // Echo, cancelled in its dialog: no snapshot
    EXPECT_EQ(Doc().UndoLabel(), "Amplify");
    ctl->Command(4014);  // the speed dialogs push their snapshot before the dialog
    EXPECT_EQ(Doc().UndoLabel(), "Simple Speed and Pitch Change");

    ctl->Command(4006);  // Fade In has no dialog
    EXPECT_EQ(services.dialogs.size(), 3u);
    EXPECT_EQ(Doc().UndoLabel(), "Fade In");
    EXPECT_EQ(Samples(Doc().audio)[1000], 0);

    Select(0, 0);
    EXPECT_FALSE(view.On(4001));
    ctl->Command(4001);  // no selection: nothing
    EXPECT_EQ(services.dialogs.size(), 3u);
    EXPECT_TRUE(view.On(IDM_INSERT_SILENCE_END));
}

TEST_F(MainView, RecordReplacesTheSelectionOrGoesInAtThePosition) {
    dialogs.newFileOk = true;
    LCutListAudio take = List(std::vector<int32_t>(1500, 320), 1, 44100);
    services.take = &take;
    ctl->Init("");
    ctl->KeyDown(vk::kF5, {});  // no document: a new one first
    ASSERT_NE(ctl->Current(), nullptr);
    EXPECT_EQ(services.recordAsked, "Untitled 1 44100/1");
    EXPECT_EQ(Doc().UndoLabel(), "Record");
    EXPECT_EQ(Doc().audio.GetLength(), 1500);
    EXPECT_EQ(Doc().stSelStart.ms, 0);
    EXPECT_EQ(Doc().stSelEnd.ms, 34);

    LSDFile& d = Open(10000, 44100);
    d.stSelStart.ms = 100;
    d.stSelEnd.ms = 200;
    ctl->Refresh();
    ctl->Command(IDM_RECORD);
    EXPECT_EQ(d.audio.GetLength(), 10000 - 4410 + 1500);
    EXPECT_EQ(d.stPosition.ms, 100);
    EXPECT_EQ(d.stSelEnd.ms, 134);
    EXPECT_EQ(d.stViewEnd.ms, d.LengthMs());

    // Record next: the take goes in, a new document of the same format
    // takes the next one, and closing after that one ends the command.
    services.recordResults = {2, 1};
    const int before = ctl->Documents().GetNoFiles();
    d.stSelEnd = d.stSelStart;  // no selection: in at the position
    ctl->Refresh();
    ctl->Command(IDM_RECORD);
    EXPECT_EQ(d.audio.GetLength(), 10000 - 4410 + 1500 + 1500);
    ASSERT_EQ(ctl->Documents().GetNoFiles(), before + 1);
    EXPECT_NE(ctl->Current(), &d);
    EXPECT_EQ(Doc().audio.GetLength(), 1500);
    EXPECT_EQ(Doc().audio.nSampleRate, 44100);
    EXPECT_EQ(Doc().UndoLabel(), "Record");
    EXPECT_EQ(view.title, "Sondrel [" + Doc().DisplayName() + "]");  // the window shows the new one

    services.recordResult = 0;  // nothing recorded: nothing changes
    ctl->Command(IDM_RECORD);
    EXPECT_EQ(Doc().audio.GetLength(), 1500);
    EXPECT_EQ(ctl->Documents().GetNoFiles(), before + 1);
}

// ------------------------------------------------------------------ enabling

TEST_F(MainView, CommandsFollowDocumentSelectionUndoAndClipboard) {
    ctl->Init("");
    for (int id : {IDM_CLOSE, IDM_SAVE, IDM_UNDO, IDM_CUT, IDM_PASTE, IDM_SELECT_ALL, IDM_PLAY, IDM_ZOOM_IN,
                   IDM_CLOSE_ALL, IDM_FADE_IN, IDC_PLAY, IDC_ZOOM_FULL})
        EXPECT_FALSE(view.On(id)) << id;
    for (int id : {IDM_NEW, IDM_OPEN, IDM_LOAD_CD, IDM_SETTINGS, IDM_EXIT, IDC_RECORD})
        EXPECT_TRUE(ctl->CommandEnabled(id)) << id;

    Open(5000);
    EXPECT_TRUE(view.On(IDM_CLOSE));
    EXPECT_TRUE(view.On(IDM_SELECT_ALL));
    EXPECT_TRUE(view.On(IDC_PLAY));
    EXPECT_TRUE(view.On(IDM_INSERT_SILENCE_BEGIN));
    for (int id : {IDM_SAVE, IDM_UNDO, IDM_CUT, IDM_COPY, IDM_PASTE, IDM_PASTE_MIX, IDM_DELETE, IDM_TRIM,
                   IDM_ZOOM_SELECTION, IDM_AMPLIFY, IDC_ZOOM_SELECTION})
        EXPECT_FALSE(view.On(id)) << id;
    Select(1000, 2000);
    for (int id : {IDM_CUT, IDM_COPY, IDM_DELETE, IDM_TRIM, IDM_SILENCE, IDM_COPY_TO_NEW, IDM_REPEAT_LOOP,
                   IDM_ZOOM_SELECTION, IDM_AMPLIFY, IDM_CONSTANT_SPEED_PITCH})
        EXPECT_TRUE(view.On(id)) << id;
    EXPECT_FALSE(view.On(IDM_PASTE_MIX));
    ctl->Command(IDM_COPY);
    EXPECT_TRUE(view.On(IDM_PASTE));
    EXPECT_TRUE(view.On(IDM_PASTE_MIX));
    EXPECT_FALSE(view.On(IDM_UNDO));
    ctl->Command(IDM_DELETE);
    EXPECT_TRUE(view.On(IDM_UNDO));
    EXPECT_TRUE(view.On(IDM_SAVE));
    EXPECT_EQ(view.commandTexts[IDM_UNDO], "Undo Delete\tCtrl+Z");
    EXPECT_FALSE(view.On(IDM_CUT));  // the selection collapsed
    EXPECT_TRUE(view.On(IDM_PASTE));
}

// Every item of every menu reaches a handler: an id the controller does not
// know would be a menu entry that silently does nothing.
TEST_F(MainView, EveryMenuItemIsHandled) {
    std::vector<int> ids;
    auto collect = [&](const LMenuNode& n, auto& self) -> void {
        if (n.nId > 0) ids.push_back(n.nId);
        for (const LMenuNode& c : n.items) self(c, self);
    };
    for (const LMenuNode& m : MainMenuBar()) collect(m, collect);
    collect(InternetResourcesMenu(), collect);
    collect(EditPopupMenu(), collect);
    ASSERT_GT(ids.size(), 100u);
    ctl->Init("");
    services.acceptEffect = false;
    Open(5000);
    Select(1000, 2000);
    ctl->Command(IDM_COPY);
    for (int id : ids) {
        if (id == IDM_EXIT || id == IDM_CLOSE || id == IDM_CLOSE_ALL) continue;  // they end the document, checked below
        if (!ctl->Current()) Open(5000);
        EXPECT_TRUE(ctl->Command(id)) << id;
    }
    for (int id : {IDM_CLOSE, IDM_CLOSE_ALL, IDM_EXIT}) EXPECT_TRUE(ctl->Command(id)) << id;
}

// ------------------------------------------------------------------ keys

TEST_F(MainView, ControlKeysRunTheirCommands) {
    Open(10000);
    struct Case {
        unsigned key;
        bool shift;
        const char* undo;  // null: unchanged
        LMsView view;
    } cases[] = {
        {'X', false, "Cut", {0, 9000}},       {'Z', false, "", {0, 10000}},
        {'V', false, "Paste", {0, 10000}},    {'S', true, nullptr, {2000, 3000}},
        {'F', true, nullptr, {0, 10000}},     {'R', false, "Trim Start", {0, 8000}},
    };
    for (const Case& c : cases) {
        ctl->Command(IDM_ZOOM_FULL);
        Select(2000, 3000);
        std::string before = Doc().UndoLabel();
        ASSERT_TRUE(ctl->KeyDown(c.key, {true, c.shift, false})) << char(c.key);
        EXPECT_EQ(Doc().UndoLabel(), c.undo ? std::string(c.undo) : before) << char(c.key);
        EXPECT_EQ(Doc().stViewStart.ms, c.view.start) << char(c.key);
        EXPECT_EQ(Doc().stViewEnd.ms, c.view.end) << char(c.key);
    }
    // Ctrl+S without Shift saves: the document has no path, so Save As asks.
    dialogs.savePaths = {JoinPath(dir, "keys.wav")};
    ctl->KeyDown('S', {true, false, false});
    EXPECT_EQ(Doc().szFilePath, JoinPath(dir, "keys.wav"));
    EXPECT_EQ(Doc().bDirty, 0);
    EXPECT_FALSE(view.On(IDM_SAVE));
    EXPECT_FALSE(ctl->KeyDown('Q', {true, false, false}));
    EXPECT_FALSE(ctl->KeyDown('X', {}));
    ctl->KeyDown(vk::kF1, {});
    ctl->KeyDown('L', {true, false, false});
    EXPECT_EQ(services.calls, (std::vector<std::string>{"help", "cd"}));
}

// ------------------------------------------------------------------ files, recent files and closing

TEST_F(MainView, ClosingAsksForEveryChangedDocumentAndRemembersPaths) {
    Open(1000);
    dialogs.savePaths = {JoinPath(dir, "a.wav")};
    ctl->Command(IDM_SAVE_AS);
    Open(1000);
    Select(100, 200);
    ctl->Command(IDM_DELETE);  // Untitled 2, changed
    Open(1000);
    ctl->Command(IDM_WINDOW_FIRST);
    Select(100, 200);
    ctl->Command(IDM_DELETE);  // a.wav, changed

    dialogs.answers = {LDocumentHost::kNo, LDocumentHost::kCancel};
    ctl->Command(IDM_EXIT);
    EXPECT_FALSE(view.closed);
    EXPECT_EQ(dialogs.asked, (std::vector<std::string>{"Save changes to \"a.wav\"?", "Save changes to \"Untitled 2\"?"}));
    EXPECT_EQ(RecentFile(1), JoinPath(dir, "a.wav"));  // confirmed before the cancel

    dialogs.asked.clear();
    dialogs.answers = {LDocumentHost::kYes, LDocumentHost::kYes};
    dialogs.savePaths = {JoinPath(dir, "b.wav")};
    now = 2000;
    ctl->Command(IDM_EXIT);
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(RecentFile(2), JoinPath(dir, "b.wav"));
    EXPECT_EQ(RecentFileDate(1), 2000);
    ASSERT_EQ(view.recent.size(), 2u);
    EXPECT_EQ(view.recent[1].nId, IDM_RECENT_BASE + 2);
    EXPECT_EQ(view.recent[1].szText, "&2. " + JoinPath(dir, "b.wav"));

    // A recent file opens again through its menu item.
    ctl->Command(IDM_CLOSE_ALL);
    EXPECT_EQ(ctl->Documents().GetNoFiles(), 0);
    ctl->Command(IDM_RECENT_BASE + 2);
    ASSERT_NE(ctl->Current(), nullptr);
    EXPECT_EQ(view.title, "Sondrel [b.wav]");
    EXPECT_EQ(view.rate, "Sample Rate: 1000   Mono");
    EXPECT_TRUE(view.checked[IDM_MONO]);
}

TEST_F(MainView, ChangesAreToldOncePerRefresh) {
    std::vector<const LSDFile*> told;
    ctl->SetChangeListener([&](const LSDFile* d) { told.push_back(d); });
    Open(4000);
    ASSERT_EQ(told.size(), 1u);
    Select(1000, 2000);
    ctl->Command(IDM_COPY);
    ctl->Command(IDM_ZOOM_IN);
    EXPECT_EQ(told.size(), 1u);  // nothing of the document's own changed
    ctl->Command(IDM_CUT);
    EXPECT_EQ(told.size(), 2u);
    EXPECT_EQ(told.back(), ctl->Current());
    ctl->Command(IDM_UNDO);
    EXPECT_EQ(told.size(), 3u);
    ctl->Command(IDM_CLOSE);
    ASSERT_EQ(told.size(), 4u);
    EXPECT_EQ(told.back(), nullptr);
}

TEST_F(MainView, MenuAndDialogCommandsReachTheirServices) {
    ctl->Init("");
    for (int id : {IDM_SETTINGS, IDM_ABOUT, IDM_HELP_CONTENTS, IDM_WEB_FIRST, IDM_WEB_LAST})
        EXPECT_TRUE(ctl->Command(id)) << id;
    EXPECT_EQ(services.calls,
              (std::vector<std::string>{"settings", "about", "help", "page index.html", "page install.html"}));
    EXPECT_FALSE(ctl->Command(9999));
}

TEST_F(MainView, StatusBarCyclesMessagesAndShowsMenuHints) {
    ctl->Init("");
    EXPECT_EQ(view.timers[IDT_STATUS_MESSAGES], 500);
    ctl->Timer(IDT_STATUS_MESSAGES);
    EXPECT_EQ(view.status, "Sondrel v 1.00");
    EXPECT_EQ(view.timers[IDT_STATUS_MESSAGES], 8000);
    ctl->MenuSelect(IDM_CUT);
    EXPECT_EQ(view.status, "Cuts the selection and keeps it on the Clipboard.");
    EXPECT_EQ(view.timers[IDT_STATUS_MESSAGES], 5000);
    ctl->MenuSelect(IDM_RECENT_FIRST + 3);
    EXPECT_EQ(view.status, "Open the recent closed file.");
    ctl->MenuClosed();
    EXPECT_EQ(view.timers[IDT_STATUS_MESSAGES], 100);
    std::vector<std::string> seen;
    for (int i = 0; i < kStatusMessageCount + 1; ++i) {
        ctl->Timer(IDT_STATUS_MESSAGES);
        seen.push_back(view.status);
    }
    EXPECT_EQ(seen.front(), StatusMessage(1));
    EXPECT_EQ(seen.back(), StatusMessage(1));  // fifteen, then round again
}

}  // namespace
}  // namespace sondrel::test
