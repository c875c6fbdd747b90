// Font files: activation for this process, tests, paths.
#include "model/FontExtensions.h"

#include "platform/fonts/FontBackend.h"
#include "platform/fonts/FontFace.h"

namespace rbx::font {

int activateFontFromFile(const QString& path) {
    if (path.isEmpty()) return 0;
    return FontBackend::shared().activateFile(path);
}

void deactivateFont(int container) {
    if (container > 0) FontBackend::shared().deactivate(container);
}

bool isFontFile(const QString& path) {
    // Activation followed at once by deactivation answers whether the file's fonts can
    // be activated; opening the file tells the same without disturbing the fonts.
    return !path.isEmpty() && FontBackend::shared().isFontFile(path);
}

bool isFontFileAtPath(const QString& path) {
    if (path.isEmpty()) return false;
    if (FontFace::faceCountInFile(path) > 0) return true;
    return isFontFile(path);
}

QString fontPath(const Font& font) { return font ? font->filePath() : QString(); }

} // namespace rbx::font
