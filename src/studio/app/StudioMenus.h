#pragma once

#include "platform/WindowHost.h"

#include <cstdint>
#include <vector>

namespace vantrel::studio::app {

using platform::MenuItemSpec;

// Command identifiers of the studio's menus.
namespace command {
constexpr std::uint32_t kNew = 0x1001;
constexpr std::uint32_t kOpen = 0x1002;
constexpr std::uint32_t kClose = 0x1003;
constexpr std::uint32_t kExit = 0x1004;
constexpr std::uint32_t kUndo = 0x1101;
constexpr std::uint32_t kCopy = 0x1102;
constexpr std::uint32_t kPaste = 0x1103;
constexpr std::uint32_t kImageSize = 0x1201;
constexpr std::uint32_t kCanvasSize = 0x1202;
constexpr std::uint32_t kNewLayer = 0x1301;
constexpr std::uint32_t kFlattenImage = 0x1302;
constexpr std::uint32_t kSelectAll = 0x1401;
constexpr std::uint32_t kDeselect = 0x1402;
constexpr std::uint32_t kLastFilter = 0x1501;
constexpr std::uint32_t kZoomIn = 0x1601;
constexpr std::uint32_t kZoomOut = 0x1602;
constexpr std::uint32_t kActualPixels = 0x1603;
constexpr std::uint32_t kCascade = 0x1701;
constexpr std::uint32_t kTile = 0x1702;
constexpr std::uint32_t kHideTools = 0x1711;
constexpr std::uint32_t kShowLayers = 0x1712;
constexpr std::uint32_t kShowColor = 0x1713;
constexpr std::uint32_t kHideNavigator = 0x1714;
constexpr std::uint32_t kResetPalettes = 0x1720;
constexpr std::uint32_t kCloseAll = 0x1730;
constexpr std::uint32_t kNextDocument = 0x1731;
constexpr std::uint32_t kAbout = 0x1801;
}  // namespace command

// The position of the Window menu on the menu bar: the eighth of nine.
constexpr int kWindowMenuPosition = 7;

// The menu bar of the main window. Texts are in the system code page; the Window menu mixes
// palette commands, separators, items offering to show a palette (one of them in Chinese), a
// submenu and two closing items.
std::vector<MenuItemSpec> StudioMenuBar();

}  // namespace vantrel::studio::app
