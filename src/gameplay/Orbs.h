// The ten orbs that drift after the player.
#pragma once
#include <vector>

#include "Body.h"

extern std::vector<Body> OrbList;

// Creates the ten orbs at the spawn point, at rest, with square masks the
// height of the orb sprite.
void InitOrbs();
// Steers, moves and draws every orb; orbs that run into the player push it.
void UpdateOrbs();
