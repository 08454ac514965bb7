#pragma once
// One number space for menu entries, tool-row controls, buttons and posted commands.
namespace vexa::cmd {

inline constexpr int kVerbose = 600;
inline constexpr int kTargetMode = 601;
inline constexpr int kModemMode = 602;
inline constexpr int kSpecialProbe = 603;
inline constexpr int kLogNone = 604;
inline constexpr int kLogOn = 605;
inline constexpr int kLogDate = 606;
inline constexpr int kLogErase = 607;
inline constexpr int kDownloadFile = 702;
inline constexpr int kDownloadFirmware = 703;
inline constexpr int kRecentFirmware1 = 705;
inline constexpr int kRecentFirmware2 = 706;
inline constexpr int kStop = 708;
inline constexpr int kPhoneField = 711;
inline constexpr int kCall = 712;
inline constexpr int kPhoneBookMenu = 713;
inline constexpr int kPhoneBookButton = 714;
inline constexpr int kBarView = 715;
inline constexpr int kEnglish = 716;
inline constexpr int kFrench = 717;
inline constexpr int kGerman = 718;
inline constexpr int kWebAddress = 751;
inline constexpr int kInfo1 = 753;
inline constexpr int kInfo2 = 754;
inline constexpr int kStatusText = 770;
inline constexpr int kStatusIdentity = 771;
inline constexpr int kStatusProgress = 772;
inline constexpr int kStatusClock = 773;
inline constexpr int kStopwatch = 774;
inline constexpr int kPortSelector = 800;
inline constexpr int kSpeedSelector = 801;
inline constexpr int kTerminal = 802;
inline constexpr int kOpenClose = 803;
inline constexpr int kConfigTab = 804;
inline constexpr int kClear = 805;
inline constexpr int kTabControl = 811;
inline constexpr int kUploadTab = 818;
inline constexpr int kCompileTab = 819;
inline constexpr int kTargetE = 840;
inline constexpr int kTargetF = 841;
inline constexpr int kTargetS = 842;
inline constexpr int kSamba = 851;
inline constexpr int kSambaInit = 852;
inline constexpr int kOpenCom = 853;
inline constexpr int kLineFeed = 854;
inline constexpr int kInterns = 855;
inline constexpr int kConfGet = 860;
inline constexpr int kConfSave = 861;
inline constexpr int kConfLoad = 862;
inline constexpr int kConfCompare = 863;
inline constexpr int kConfDownload = 864;
inline constexpr int kTimeNow = 865;
inline constexpr int kTimeHourEarlier = 866;
inline constexpr int kTimeNextSecond = 867;
inline constexpr int kConfErase = 868;
inline constexpr int kFactoryTest = 891;
inline constexpr int kFactoryStep = 893;
inline constexpr int kFactoryLamps = 894;
inline constexpr int kPortName = 900;
inline constexpr int kKeystroke = 911;
inline constexpr int kRebuildConfig = 912;
inline constexpr int kManualE = 7501;
inline constexpr int kManualF = 7502;
inline constexpr int kManualS = 7503;

// Commands the session posts to itself, to be carried out on the window thread.
inline constexpr int kBeep = 10101;            // the download's end beep
inline constexpr int kFactoryReset = 10102;    // the factory test display's forced reset
inline constexpr int kRecentChanged = 10103;   // the Tools menu's recent firmware entries

// 703's parameter: download the current firmware file without asking for one.
inline constexpr long kParamCurrentFirmware = 1;

// Inputs and macro sub-tab controls (no command id of their own).
inline constexpr int kInputsSubTabs = 10001;
inline constexpr int kMacroSubTabs = 10002;
inline constexpr int kAnalogWindow = 10003;
inline constexpr int kPlanView = 10004;
inline constexpr int kBarViewWindow = 10005;
inline constexpr int kMacroWindow = 10006;

// Kinds of the inputs sub-tabs that are views rather than inputs.
inline constexpr int kPlanKind = 9001;
inline constexpr int kBarKind = 9002;

}  // namespace vexa::cmd
