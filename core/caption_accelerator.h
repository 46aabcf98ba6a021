// A caption's accelerator key, marked with "&", and the caption as a
// screen reader reads it out.
#pragma once

#include <string>
#include <vector>

namespace vtb {

// The characters the caption marks with a lone "&" ("&&" is a literal
// ampersand), in order; a "&" at the very end marks '\0'.
std::string AcceleratorMarks(const std::string& caption);

// The accelerator of a caption: the last character a lone "&" marks; 0
// without one.
char CaptionAccelerator(const std::string& caption);

// The key that presses a button of this caption, as a screen reader names
// it: "Alt+C" for "&Cases"; empty for a caption without an accelerator.
// upper is the upper case the key is matched with (the code page's).
std::string AcceleratorKeyName(const std::string& caption, char (*upper)(char));

// The captions a button's glyph file is looked up by, in this order: the
// caption as written, then, for a caption that marks an accelerator, the
// caption as it reads ("&Cases" finds "&Cases.bmp", else "Cases.bmp"), so
// that giving a caption its letter keeps its glyph.
std::vector<std::string> GlyphFileCaptions(const std::string& caption);

// A caption as it is read out: every lone "&" dropped, "&&" one "&".
std::string CaptionWithoutAccelerator(const std::string& caption);

// What a screen reader announces for a button: its caption without the
// accelerator marker, or placeName when that leaves nothing but blanks.
std::string AnnouncedName(const std::string& caption, const std::string& placeName);

}  // namespace vtb
