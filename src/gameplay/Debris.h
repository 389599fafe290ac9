// The pixel debris of Kill.
#pragma once
#include <vector>

#include "Body.h"

extern std::vector<Body> DebrisList;

// Bursts the last displayed animation frame into one-pixel particles and puts
// the player back at the spawn point.
void KillPlayer();
// Applies gravity to every particle, moves and draws it; removes particles that
// came to rest, and those that can never land once they have passed the screen's
// edge on the side they move away to.
void UpdateDebris();
