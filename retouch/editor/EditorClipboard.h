// The editor's clipboard: a picture goes out as the packed DIB, as the
// serialized image when it carries alpha, a selection or a transparent
// colour, and as an ordinary image other programs can paste; coming in, the
// serialized image is preferred, then the packed DIB, then any image.
#pragma once
#include <string>

class GbImage;

namespace editorclip {

inline constexpr char kDibMime[] = "application/x-glimmerbox-dib";
inline constexpr char kSerializedMime[] = "application/x-glimmerbox-gbimage";  // "CF_GBIMAGE"

// With a selection only its bounding box is copied. False (with the reason)
// when there is nothing to copy.
bool CopyImage(const GbImage& image, std::string* error);
// False, and out untouched, when the clipboard holds nothing usable.
bool PasteImage(GbImage& out);

}  // namespace editorclip
