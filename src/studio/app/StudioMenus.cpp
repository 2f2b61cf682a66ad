#include "studio/app/StudioMenus.h"

namespace vantrel::studio::app {

using platform::kSubmenuItemId;

std::vector<MenuItemSpec> StudioMenuBar()
{
    const MenuItemSpec separator(0, "");
    return {
        {kSubmenuItemId, "File",
         {{command::kNew, "New..."}, {command::kOpen, "Open..."}, {command::kClose, "Close"}, separator,
          {command::kExit, "Exit"}}},
        {kSubmenuItemId, "Edit", {{command::kUndo, "Undo"}, separator, {command::kCopy, "Copy"},
                                  {command::kPaste, "Paste"}}},
        {kSubmenuItemId, "Image", {{command::kImageSize, "Image Size..."}, {command::kCanvasSize, "Canvas Size..."}}},
        {kSubmenuItemId, "Layer", {{command::kNewLayer, "New Layer..."}, {command::kFlattenImage, "Flatten Image"}}},
        {kSubmenuItemId, "Select", {{command::kSelectAll, "All"}, {command::kDeselect, "Deselect"}}},
        {kSubmenuItemId, "Filter", {{command::kLastFilter, "Last Filter"}}},
        {kSubmenuItemId, "View",
         {{command::kZoomIn, "Zoom In"}, {command::kZoomOut, "Zoom Out"}, {command::kActualPixels, "Actual Pixels"}}},
        {kSubmenuItemId, "Window",
         {{command::kCascade, "Cascade"},
          {command::kTile, "Tile"},
          separator,
          {command::kHideTools, "Hide Tools"},
          {command::kShowLayers, "Show Layers"},
          {command::kShowColor, "\xCF\xD4\xCA\xBE\xD1\xD5\xC9\xAB"},  // 显示颜色, "show colour", in GBK
          {command::kHideNavigator, "Hide Navigator"},
          {command::kResetPalettes, "Reset Palette Locations"},
          separator,
          {kSubmenuItemId, "Documents"},
          {command::kCloseAll, "Close All"},
          {command::kNextDocument, "Next Document"}}},
        {kSubmenuItemId, "Help", {{command::kAbout, "About Studio..."}}},
    };
}

}  // namespace vantrel::studio::app
