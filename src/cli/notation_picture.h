// Draws the notation of one game through the viewer's own notation control,
// offscreen, into a PNG file: what the viewer shows, for anyone to look at.
#pragma once

#include <string>

// width/height 0: the size of the main window's notation. False with a
// reason in `error` when the picture could not be made or written.
bool RenderNotationPicture(const std::string& pgnText, int width, int height, bool german, bool headline,
                           const std::string& outFile, std::string& error);
