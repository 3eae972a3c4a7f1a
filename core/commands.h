#pragma once
// Command numbers of the menus, the toolbar and the accelerators. They live
// here because the remote catalogue names the command that selects each remote.

namespace orvalinder::command {

constexpr int ComSettings = 32771;
constexpr int RecordButtonLocations = 32772;
constexpr int OpenCurrentDirectory = 32773;
constexpr int SelectPanasonic = 32774;
constexpr int SelectSkySky = 32775;
constexpr int SelectSkyTv = 32776;
constexpr int SelectIrMonitor = 32777;
constexpr int SelectTechnika = 32778;
constexpr int ShowClickAreas = 32779;
constexpr int SwapBits = 32780;
constexpr int ImportCodes = 32781;
constexpr int ExportCodes = 32782;
constexpr int LearnRemote = 32783;
constexpr int FlashFirmware = 32784;
constexpr int HomeAssistant = 32785;
constexpr int OpenCapture = 32790;
constexpr int FindCode = 32791;

constexpr int FileNew = 57600;
constexpr int FileOpen = 57601;
constexpr int FileSave = 57603;
constexpr int FileSaveAs = 57604;
constexpr int FilePrint = 57607;
constexpr int FirstRecentFile = 57616;
constexpr int Cut = 57635;
constexpr int Copy = 57634;
constexpr int Paste = 57637;
constexpr int Undo = 57643;
constexpr int About = 57664;
constexpr int Exit = 57665;
constexpr int Customize = 126;

}  // namespace orvalinder::command
