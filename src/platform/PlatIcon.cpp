// The program's window icon: a lit orb with a dark rim, drawn in code.
#include "PlatWindowInternal.h"

#include <cmath>

// Returns a new 32 x 32 ARGB surface with the icon, or null; allocates it.
SDL_Surface* PlatIconCreate() {
    const int size = 32;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!icon) return nullptr;
    auto* pixels = static_cast<uint32_t*>(icon->pixels);
    const int pitch = icon->pitch / 4;
    const float centre = (size - 1) / 2.0f, radius = 14.5f;
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            float dx = (x - centre) / radius, dy = (y - centre) / radius;
            float d = std::sqrt(dx * dx + dy * dy);
            uint32_t argb = 0;
            if (d <= 1.0f) {
                // Light from the upper left, a small bright spot, a darker rim.
                float nz = std::sqrt(std::fmax(0.0f, 1.0f - d * d));
                float light = std::fmax(0.0f, (-dx * 0.5f - dy * 0.6f + nz * 0.62f));
                float spot = std::pow(std::fmax(0.0f, light), 24.0f);
                float r = 40 + 60 * light + 155 * spot;
                float g = 120 + 110 * light + 25 * spot;
                float b = 90 + 80 * light + 85 * spot;
                if (d > 0.9f) r *= 0.45f, g *= 0.45f, b *= 0.45f;
                auto c = [](float v) { return static_cast<uint32_t>(std::fmin(255.0f, v)); };
                argb = 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
            }
            pixels[y * pitch + x] = argb;
        }
    }
    return icon;
}
