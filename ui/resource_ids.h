// Resource numbers of the window program's own artwork, shared by its .rc file and the code.
#pragma once

#define PELL_ICON_MAIN 1
// Each picture at 96 dpi and at twice that; the window picks one and scales it to its DPI.
#define PELL_BMP_BANNER 101
#define PELL_BMP_BANNER_2X 102
#define PELL_BMP_TRACK_LEFT 103
#define PELL_BMP_TRACK_LEFT_2X 104
#define PELL_BMP_TRACK_STRIP 105
#define PELL_BMP_TRACK_STRIP_2X 106
#define PELL_BMP_TRACK_RIGHT 107
#define PELL_BMP_TRACK_RIGHT_2X 108
#define PELL_BMP_FILL_LEFT 109
#define PELL_BMP_FILL_LEFT_2X 110
#define PELL_BMP_FILL_STRIP 111
#define PELL_BMP_FILL_STRIP_2X 112
#define PELL_BMP_FILL_RIGHT 113
#define PELL_BMP_FILL_RIGHT_2X 114
