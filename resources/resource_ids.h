// Names of the DLL's own resources: the resource script (toolbar.rc) names
// its resources with these, and the code finds them by the same names
// (FindResource, LoadImage) through VTB_RESOURCE_NAME.
#pragma once

// Design-time glyph of Search_SpdButn: 20 x 23 pixels, 16 colours.
#define VTB_SEARCH_GLYPH SEARCH_GLYPH

// Design-time glyph of Settings_SpdButn: 15 x 16 pixels, 256 colours.
#define VTB_SETTINGS_GLYPH SETTINGS_GLYPH

// The empty type library: resource type "TYPELIB", identifier 1.
#define VTB_TYPELIB_ID 1

// A resource name above as the string the resource functions take.
#define VTB_RESOURCE_NAME(name) VTB_RESOURCE_NAME_TEXT(name)
#define VTB_RESOURCE_NAME_TEXT(name) #name
