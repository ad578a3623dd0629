// Control ids, texts and positions of the agent window, in dialog units, and their
// conversion to pixels for a 9-point font at 96 dpi.
#pragma once

namespace ovix::agent::layout {

inline constexpr int kIdLogList = 1000;
inline constexpr int kIdExit = 1001;
inline constexpr int kIdStop = 1002;
inline constexpr int kIdStart = 1003;
inline constexpr int kIdSaveLog = 1004;
inline constexpr int kIdAddressEdit = 1005;
inline constexpr int kIdPortEdit = 1006;
// Command of the window-menu item "关于 OvixAgent(&A)...".
inline constexpr int kIdAboutCommand = 16;

// Name of the Qt property that carries a control's id.
inline constexpr const char* kControlIdProperty = "controlId";

struct DialogRect {
    int x, y, width, height;
};

inline constexpr DialogRect kDialogSize{0, 0, 305, 235};
inline constexpr DialogRect kLogListRect{7, 7, 289, 142};
inline constexpr DialogRect kAddressLabelRect{7, 158, 41, 8};
inline constexpr DialogRect kAddressEditRect{51, 155, 137, 14};
inline constexpr DialogRect kPortLabelRect{7, 175, 41, 8};
inline constexpr DialogRect kPortEditRect{50, 173, 138, 14};
inline constexpr DialogRect kSaveLogRect{78, 214, 50, 14};
inline constexpr DialogRect kStartRect{133, 214, 50, 14};
inline constexpr DialogRect kStopRect{193, 214, 50, 14};
inline constexpr DialogRect kExitRect{248, 214, 50, 14};

inline constexpr int kLogColumnWidth = 700;  // pixels
inline constexpr int kMaxLogItems = 1000;    // one more line than this empties the list first

// 1.5 px per horizontal and 1.625 px per vertical dialog unit, rounded.
inline constexpr int HorizontalPixels(int units) {
    return (units * 3 + 1) / 2;
}
inline constexpr int VerticalPixels(int units) {
    return (units * 13 + 4) / 8;
}

}  // namespace ovix::agent::layout
