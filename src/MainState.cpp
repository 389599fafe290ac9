// The shell's state; everything starts at zero or empty.
#include "Main.h"

int32_t Zoom = 0;
int32_t SharpDisplay = 0;
int32_t StretchOff = 0;
int32_t OutlineOn = 0;
int32_t FullScreenOn = 0;
std::string TypedCode;
int32_t LastScreenWidth = 0;
int32_t LastScreenHeight = 0;
