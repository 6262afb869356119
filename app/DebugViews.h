#pragma once

// Views into the terrain lighting for the people who study it: function keys switch the window
// between the final picture and the textures the lighting passes fill, each drawn over the whole
// window with the texture viewer programs. A recording always shows the final picture.
//   F1 the final picture, F2 the key light, F3 the sky's light (with the open share of the sky),
//   F4 the open share of the sky, F5 the height-field pyramid (again: the next layer), F6 the
//   normals of the base height image.

enum class DebugView { Final, KeyLight, SkyLight, OpenSky, HeightField, Normals };

extern DebugView debugView;
extern bool debugViewsAllowed; // false while the show is recorded
extern int debugViewLayer; // the pyramid layer F5 shows

// A released function key (VK_F1 ...): switches the view and says so on the console.
void SelectDebugView(int functionKey);

// "" for the final picture, else the view's name with its layer, for the window title.
const char* DebugViewName();

// Draws the current view over the viewport; nothing for the final picture.
void DrawDebugView();
