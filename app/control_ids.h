// Ids of the controls of the two windows. Other programs (and our tests) tell the
// controls apart by these ids (GetDlgCtrlID); the names are those of the layouts.
#pragma once

namespace main_ids {
inline constexpr int 图片框1 = 1001;
inline constexpr int 图片框2 = 1002;
inline constexpr int 图片框3 = 1003;
inline constexpr int 图片框4 = 1004;
inline constexpr int 图片框5 = 1005;
inline constexpr int 超级按钮1 = 1101;
inline constexpr int 超级按钮2 = 1102;
inline constexpr int 超级按钮3 = 1103;
inline constexpr int 超级按钮4 = 1104;
inline constexpr int 超级按钮5 = 1105;
inline constexpr int 分组框1 = 1201;
inline constexpr int 分组框2 = 1202;
inline constexpr int 列表框1 = 1301;
inline constexpr int 列表框2 = 1302;
inline constexpr int 透明标签1 = 1401;
inline constexpr int 透明标签2 = 1402;
inline constexpr int 透明标签3 = 1403;
inline constexpr int 透明标签4 = 1404;
inline constexpr int 透明标签8 = 1408;
inline constexpr int 透明标签9 = 1409;
inline constexpr int 透明标签10 = 1410;
inline constexpr int 透明标签11 = 1411;
inline constexpr int 透明标签12 = 1412;
inline constexpr int 时钟1 = 1501;
}  // namespace main_ids

namespace update_ids {
inline constexpr int 进度条1 = 2001;
inline constexpr int 透明标签1 = 2101;
}  // namespace update_ids
