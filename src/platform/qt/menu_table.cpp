#include "platform/qt/menu_table.h"

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <map>

#include "apu/apu.h"
#include "apu/sound_output.h"
#include "core/play_control.h"
#include "core/rewind_history.h"
#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "frontend/recent_roms.h"
#include "frontend/recording_commands.h"
#include "input/dik_codes.h"
#include "platform/qt/key_codes.h"
#include "recording/video_recorder.h"
#include "video/presentation.h"

namespace morvel::qt {

namespace {

bool Paused() {
    return pauseChecked != 0;
}
bool Muted() {
    return soundMuted != 0;
}
bool DotByDot() {
    return nesAspect == 0;
}
bool Aspect() {
    return nesAspect != 0;
}
bool WholeMultiple() {
    return integerScale != 0;
}
template <int32_t q>
bool QualityIs() {
    return recordQuality == q;
}
template <int32_t ms>
bool LatencyIs() {
    return soundLatencyMs == ms;
}
template <uint32_t s>
bool ScaleIs() {
    return windowScale == s;
}
bool FastForwardOn() {
    return playControl.fastForwardOn != 0;
}
template <int i>
bool FastForwardLimitIs() {
    return playControl.fastForwardLimit == kFastForwardLimits[i];
}
template <uint32_t k>
bool RunAheadIs() {
    return playControl.runAheadFrames == k;
}
bool NotRecording() {
    return recording == 0;
}
template <int i>
bool RewindIs() {
    return RewindSeconds() == kRewindLengths[i];
}

std::map<uint32_t, QAction*> actions;

// Fills the recent roms menu as it opens: "&1 name.nes" for the newest, the
// full path as the tip.
void FillRecentMenu(QMenu* menu) {
    menu->clear();
    for (size_t i = 0; i < recentRoms.size(); ++i) {
        QString path = QString::fromStdString(recentRoms[i]);
        QString name = QFileInfo(path).fileName().replace('&', "&&");
        QAction* item = menu->addAction(QString("&%1 %2").arg(i + 1).arg(name));
        item->setToolTip(path);
        item->setStatusTip(path);
        QObject::connect(item, &QAction::triggered, menu, [i] {
            OpenRecentRom(i);
            RefreshMenus();
        });
    }
    if (recentRoms.empty()) menu->addAction("(none)")->setEnabled(false);
}

// The keys of a US keyboard that type the characters of the character
// accelerators: + is the shifted equals key or the keypad's plus, - the minus
// key or the keypad's minus.
struct CharacterKey {
    char character;
    int32_t dik;
};
constexpr CharacterKey kCharacterKeys[] = {{'+', 0x0D}, {'+', 0x4E}, {'-', 0x0C}, {'-', 0x4A}};

// The keypad's digits 0-9: with Num Lock on they type the digits, and Qt
// matches them to the digit shortcuts.
constexpr int32_t kKeypadDigits[] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};

QMenu* MenuAt(QMenuBar* bar, std::map<std::string, QMenu*>& menus, const std::string& path) {
    auto found = menus.find(path);
    if (found != menus.end()) return found->second;
    size_t cut = path.rfind('/');
    QString title = QString::fromStdString(cut == std::string::npos ? path : path.substr(cut + 1));
    QMenu* menu = cut == std::string::npos
                      ? bar->addMenu(title)
                      : MenuAt(bar, menus, path.substr(0, cut))->addMenu(title);
    menus[path] = menu;
    return menu;
}

}  // namespace

// clang-format off
const std::vector<MenuRow> kMenuRows = {
    {kCmdLoadRom,        "&File", "&Load Rom",                    nullptr,  0, nullptr, nullptr},
    {kCmdCloseRom,       "&File", "&Close Rom\tEsc",              "Esc",    0, nullptr, nullptr},
    {kCmdRescanRoms,     "&File", "&Rescan Rom Path",             nullptr,  0, nullptr, nullptr},
    {kCmdExit,           "&File", "&Exit",                        nullptr,  0, nullptr, nullptr},
    {kCmdReset,          "&Emulator", "&Reset",                   nullptr,  0, nullptr, nullptr},
    {kCmdPause,          "&Emulator", "&Pause \tSpace",           "Space",  0, nullptr, Paused},
    {kCmdDotByDot,       "&Emulator/&Video", "&Dot by Dot",       nullptr,  0, nullptr, DotByDot},
    {kCmdNesAspect,      "&Emulator/&Video", "&NES Aspect Ratio (Scale2x)", nullptr, 0, nullptr, Aspect},
    {kCmdIntegerScale,   "&Emulator/&Video", "&Integer Scale in Full Screen", nullptr, 0, nullptr, WholeMultiple},
    {kCmdVolume,         "&Emulator", "&Volume\tRight Click",     nullptr,  0, nullptr, nullptr},
    {kCmdMute,           "&Emulator", "&Mute Sound",              nullptr,  0, nullptr, Muted},
    {kCmdFrameAdvance,   "&Emulator", "Frame &Advance",           nullptr,  0, nullptr, nullptr},
    {kCmdFastForward,    "&Emulator/&Fast-Forward", "&On",        nullptr,  0, nullptr, FastForwardOn},
    {kCmdFastForwardLimit0,     "&Emulator/&Fast-Forward", "Up to &2X", nullptr, 0, nullptr, FastForwardLimitIs<0>},
    {kCmdFastForwardLimit0 + 1, "&Emulator/&Fast-Forward", "Up to &3X", nullptr, 0, nullptr, FastForwardLimitIs<1>},
    {kCmdFastForwardLimit0 + 2, "&Emulator/&Fast-Forward", "Up to &4X", nullptr, 0, nullptr, FastForwardLimitIs<2>},
    {kCmdFastForwardLimit0 + 3, "&Emulator/&Fast-Forward", "Up to &8X", nullptr, 0, nullptr, FastForwardLimitIs<3>},
    {kCmdRunAhead0,      "&Emulator/R&un-Ahead", "&Off",          nullptr,  0, NotRecording, RunAheadIs<0>},
    {kCmdRunAhead0 + 1,  "&Emulator/R&un-Ahead", "&1 Frame",      nullptr,  0, NotRecording, RunAheadIs<1>},
    {kCmdRunAhead0 + 2,  "&Emulator/R&un-Ahead", "&2 Frames",     nullptr,  0, NotRecording, RunAheadIs<2>},
    {kCmdRunAhead0 + 3,  "&Emulator/R&un-Ahead", "&3 Frames",     nullptr,  0, NotRecording, RunAheadIs<3>},
    {kCmdRewindLength0,     "&Emulator/Re&wind", "&Off",          nullptr,  0, nullptr, RewindIs<0>},
    {kCmdRewindLength0 + 1, "&Emulator/Re&wind", "&10 Seconds",   nullptr,  0, nullptr, RewindIs<1>},
    {kCmdRewindLength0 + 2, "&Emulator/Re&wind", "&30 Seconds",   nullptr,  0, nullptr, RewindIs<2>},
    {kCmdRewindLength0 + 3, "&Emulator/Re&wind", "&60 Seconds",   nullptr,  0, nullptr, RewindIs<3>},
    {kCmdRecordStart,    "&Emulator/&Record Video", "&Start",     nullptr,  0, Aspect, nullptr},
    {kCmdRecordStop,     "&Emulator/&Record Video", "S&top",      nullptr,  0, Aspect, nullptr},
    {kCmdQualityPoor,    "&Emulator/&Record Video/&Quality", "&Poor",   nullptr, 0, nullptr, QualityIs<0>},
    {kCmdQualityNormal,  "&Emulator/&Record Video/&Quality", "&Normal", nullptr, 0, nullptr, QualityIs<1>},
    {kCmdQualityHigh,    "&Emulator/&Record Video/&Quality", "&High",   nullptr, 0, nullptr, QualityIs<2>},
    {kCmdScreenshot,     "&Emulator", "&Take Screenshot \tCtrl + 0", "Ctrl+0", 0, nullptr, nullptr},
    {kCmdLoadState0,     "&Emulator/&Load State", "State 0\t1",   "1",      0, nullptr, nullptr},
    {kCmdLoadState0 + 1, "&Emulator/&Load State", "State 1\t2",   "2",      0, nullptr, nullptr},
    {kCmdLoadState0 + 2, "&Emulator/&Load State", "State 2\t3",   "3",      0, nullptr, nullptr},
    {kCmdLoadState0 + 3, "&Emulator/&Load State", "State 3\t4",   "4",      0, nullptr, nullptr},
    {kCmdSaveState0,     "&Emulator/&Save State", "&State 0\tCtrl + 1", "Ctrl+1", 0, nullptr, nullptr},
    {kCmdSaveState0 + 1, "&Emulator/&Save State", "&State 1\tCtrl + 2", "Ctrl+2", 0, nullptr, nullptr},
    {kCmdSaveState0 + 2, "&Emulator/&Save State", "&State 2\tCtrl + 3", "Ctrl+3", 0, nullptr, nullptr},
    {kCmdSaveState0 + 3, "&Emulator/&Save State", "&State 3\tCtrl + 4", "Ctrl+4", 0, nullptr, nullptr},
    {kCmdScale1,         "&Window", "&1X",                        nullptr,  0, nullptr, ScaleIs<1>},
    {kCmdScale2,         "&Window", "&2X",                        nullptr,  0, nullptr, ScaleIs<2>},
    {kCmdScale3,         "&Window", "&3X",                        nullptr,  0, nullptr, ScaleIs<3>},
    {kCmdScale4,         "&Window", "&4X",                        nullptr,  0, nullptr, ScaleIs<4>},
    {kCmdFullScreen,     "&Window", "&Full Screen\tAlt + Enter",  "Alt+Return", 0, nullptr, nullptr},
    {kCmdKeyboardConfig, "Options", "&Keyboard Input Config",     nullptr,  0, nullptr, nullptr},
    {kCmdJoypadConfig,   "Options", "&Joypad Input Config",       nullptr,  0, nullptr, nullptr},
    {kCmdLatency20,      "Options/Sound &Latency", "&20 ms",      nullptr,  0, nullptr, LatencyIs<20>},
    {kCmdLatency40,      "Options/Sound &Latency", "&40 ms",      nullptr,  0, nullptr, LatencyIs<40>},
    {kCmdLatency60,      "Options/Sound &Latency", "&60 ms",      nullptr,  0, nullptr, LatencyIs<60>},
    {kCmdLatency80,      "Options/Sound &Latency", "&80 ms",      nullptr,  0, nullptr, LatencyIs<80>},
    {kCmdLatency100,     "Options/Sound &Latency", "&100 ms",     nullptr,  0, nullptr, LatencyIs<100>},
    {kCmdVolumeUp,       nullptr,   "volume up",                  nullptr,  '+', nullptr, nullptr},
    {kCmdVolumeDown,     nullptr,   "volume down",                nullptr,  '-', nullptr, nullptr},
};
// clang-format on

void BuildMenuBar(QMainWindow* window) {
    std::map<std::string, QMenu*> menus;
    for (const MenuRow& row : kMenuRows) {
        auto* action = new QAction(QString::fromUtf8(row.text), window);
        action->setObjectName(QString("command%1").arg(row.id));
        if (row.shortcut) {
            QList<QKeySequence> keys{QKeySequence(QString::fromLatin1(row.shortcut))};
            // The accelerator is the Enter key wherever it sits.
            if (row.id == kCmdFullScreen) keys.append(QKeySequence("Alt+Enter"));
            action->setShortcuts(keys);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        action->setCheckable(row.checked != nullptr);
        uint32_t id = row.id;
        QObject::connect(action, &QAction::triggered, window, [id] {
            RunCommand(id);
            RefreshMenus();
        });
        if (row.menu) MenuAt(window->menuBar(), menus, row.menu)->addAction(action);
        window->addAction(action);
        actions[row.id] = action;
    }
    QMenu* file = menus["&File"];
    auto* recent = new QMenu("Recent &Roms", file);
    recent->setObjectName("recentRoms");
    recent->setToolTipsVisible(true);
    file->insertMenu(actions[kCmdCloseRom], recent);
    QObject::connect(recent, &QMenu::aboutToShow, recent, [recent] { FillRecentMenu(recent); });
    RefreshMenus();
}

void RefreshMenus() {
    for (const MenuRow& row : kMenuRows) {
        QAction* action = actions[row.id];
        if (!action) continue;
        action->setEnabled(!row.enabled || row.enabled());
        if (row.checked) action->setChecked(row.checked());
    }
}

QAction* ActionOf(uint32_t id) {
    auto found = actions.find(id);
    return found == actions.end() ? nullptr : found->second;
}

uint32_t CharacterCommand(char c) {
    for (const MenuRow& row : kMenuRows)
        if (row.character && row.character == c) return row.id;
    return 0;
}

bool KeyIsShortcut(int32_t dik) {
    for (const CharacterKey& key : kCharacterKeys)
        if (key.dik == dik && CharacterCommand(key.character)) return true;
    for (const MenuRow& row : kMenuRows) {
        if (!row.shortcut) continue;
        QKeyCombination combination = QKeySequence(QString::fromLatin1(row.shortcut))[0];
        if (combination.keyboardModifiers() != Qt::NoModifier) continue;
        Qt::Key key = combination.key();
        if (DikFromEvdev(EvdevOfQtKey(key)) == dik) return true;
        if (key >= Qt::Key_0 && key <= Qt::Key_9 && kKeypadDigits[key - Qt::Key_0] == dik)
            return true;
    }
    return false;
}

}  // namespace morvel::qt
