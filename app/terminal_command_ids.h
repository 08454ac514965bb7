#pragma once
// Commands of the terminal's own choices (the "Terminal" menu).
namespace vexa::cmd {

inline constexpr int kTermHexView = 10700;
inline constexpr int kTermStamps = 10701;
inline constexpr int kTermEcho = 10702;
inline constexpr int kTermAnsi = 10703;
inline constexpr int kTermEnterCr = 10704;
inline constexpr int kTermEnterLf = 10705;
inline constexpr int kTermEnterCrLf = 10706;
inline constexpr int kTermBackspaceBs = 10707;
inline constexpr int kTermBackspaceDel = 10708;
inline constexpr int kTermBreak = 10709;       // param: length in ms (0: 250)
inline constexpr int kTermDtr = 10710;
inline constexpr int kTermRts = 10711;
inline constexpr int kTermLineSettings = 10712;
inline constexpr int kTermSendHex = 10713;
inline constexpr int kTermSendFile = 10714;
inline constexpr int kTermHistoryUp = 10715;
inline constexpr int kTermHistoryDown = 10716;
inline constexpr int kTermFind = 10717;
inline constexpr int kTermHistory = 10718;   // Up and Down recall typed lines
inline constexpr int kTermSaveText = 10719;  // the terminal's text to a file
inline constexpr int kTermFirst = kTermHexView;
inline constexpr int kTermLast = kTermSaveText;

}  // namespace vexa::cmd
