// Names of the DLL's own resources, for FindResource and LoadImage. The
// resource script spells the same names without quotes.
#pragma once

// Design-time glyph of Search_SpdButn: 20 x 23 pixels, 16 colours.
#define VTB_SEARCH_GLYPH "SEARCH_GLYPH"

// Design-time glyph of Settings_SpdButn: 15 x 16 pixels, 256 colours.
#define VTB_SETTINGS_GLYPH "SETTINGS_GLYPH"

// The empty type library: resource type "TYPELIB", identifier 1.
#define VTB_TYPELIB_ID 1
