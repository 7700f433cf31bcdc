#pragma once
// The program's title: caption of the main window and of every message box.
inline constexpr const char kAppTitle[] = "Dorvel ADJ Rev.1.0";
