// Drawing screen set-up and the presentation at the end of every frame.
#include "Main.h"

#include "AssetTable.h"
#include "SpriteFromImage.h"
#include "platform/PlatformSprite.h"
#include "platform/PlatformWindow.h"

int32_t ScreenDivisor() {
    return SharpDisplay == 1 ? 1 : Zoom;
}

void SetupScreen(int32_t window, int32_t zoom, int32_t divisor) {
    const int32_t innerW = PlatWindowInnerWidth(window);
    const int32_t innerH = PlatWindowInnerHeight(window);
    const int32_t w = innerW - innerW % (2 * zoom);
    const int32_t h = innerH - innerH % (2 * zoom);
    if (w != LastScreenWidth || h != LastScreenHeight) {
        LastScreenWidth = w;
        LastScreenHeight = h;
        // A window can't have an empty inner area; below 2 x zoom it keeps its
        // size and the screen is empty until the window grows again.
        if (w > 0 && h > 0) PlatWindowSetInnerSize(window, w, h);
    }
    PlatScreenOpen(window, w / divisor, h / divisor);
    PlatSpriteQuality(0);
    SetSpriteBackfaceCulling(0);
    PlatSpriteColorKey(0xFF00FF);
    for (int32_t n = 1; n <= 9; n++) SpriteFromImage(n, n, PlatSpriteAlphaFlag);
}

void PresentFrame() {
    const int32_t w = PlatScreenWidth();
    const int32_t h = PlatScreenHeight();
    const int32_t z = Zoom;
    if (SharpDisplay == 1) {
        PlatSpriteQuality(0);
        PlatSpriteGrab(SpriteScreenGrab, w / 2 - w / (2 * z), h / 2 - h / (2 * z), w / z, h / z);
        PlatSpriteDisplaySize(SpriteScreenGrab, w, h);
        PlatSpriteDisplay(SpriteScreenGrab, 0, 0);
        PlatSpriteDisplaySize(SpriteScreenGrab, -1, -1);
    }
    PlatScreenFlip();
    PlatScreenClear(BackgroundColor);
}
