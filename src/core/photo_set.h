#pragma once
// How many photographs the show carries: the catalogue embeds that many and the picture
// generator renders that many, so both read this one count.

constexpr int kPhotoCount = 36;
