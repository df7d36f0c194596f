// The program's title: the caption of every plain message box and the About
// box's first line.
#pragma once

inline constexpr const char* kApplicationTitle = "Tavrin Audio Warblecast";
