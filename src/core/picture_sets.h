#pragma once
// How many pictures the show carries in each set: the catalogue embeds that many and the
// picture generator renders that many, so both read these counts.

// Four extra pictures, loaded first though nothing draws them.
constexpr int kExtraPictureCount = 4;
// The photographs of the cube and the tunnel.
constexpr int kPhotoCount = 36;
