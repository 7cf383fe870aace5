#pragma once
// The icon extractor's core: the icon groups of a Windows executable or library, the icon of a
// desktop entry, or an icon of the current theme by name; each as a set of sizes that can be
// previewed and exported as .ico (a PE group exactly as stored) or .png.
#include <QImage>
#include <string>
#include <vector>

#include "common/PeResources.h"

namespace qx::iconextract {

struct IconImage {
    int width = 0, height = 0;
    int bitCount = 0;    // 0 when unknown (theme files)
    std::string bytes;   // as stored: an icon resource (PNG or DIB), or the file's bytes
    std::string format;  // "ico-image", "png", "xpm", "svg"
    std::string path;    // a theme file's path
};

struct IconSet {
    std::string label;                         // "#101", "MAINICON", or the icon name
    std::vector<tools::GroupIconEntry> group;  // a PE group's entries, parallel to images
    std::vector<IconImage> images;
};

// Every icon group of a PE file, each with the images it names that the file holds.
bool iconsOfExecutable(const std::string& path, std::vector<IconSet>& out, std::string& error);

// Where icon themes live and which one is current.
struct IconThemes {
    std::vector<std::string> baseDirs;    // ~/.icons, $XDG_DATA_DIRS/icons...
    std::vector<std::string> pixmapDirs;  // the last resort: /usr/share/pixmaps
    std::string theme;
};
IconThemes themesFromEnvironment(const std::string& themeName);

// Every size of the icon in the first theme of the chain (the theme, what it inherits, then
// hicolor) that has it, else in the pixmap folders. An absolute path stands for itself.
bool iconOfTheme(const IconThemes& themes, const std::string& name, IconSet& out, std::string& error);

// The Icon= value of a desktop entry file.
bool iconOfDesktopEntry(const std::string& path, std::string& icon, std::string& error);

// The image to show, decoded; null for vector icons (no preview) and undecodable bytes.
QImage decode(const IconSet& set, std::size_t index);
// The .ico of a set: a PE group as stored; theme sizes as PNG images inside it. Empty when no
// image can go in.
std::string icoOf(const IconSet& set);
// The PNG of one image; empty when it cannot be decoded.
std::string pngOf(const IconSet& set, std::size_t index);
// A file name from a label ("MAINICON" -> "MAINICON"; "#101" -> "101").
std::string safeFileName(const std::string& label);

}  // namespace qx::iconextract
