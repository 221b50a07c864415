// The frame-rate meter's text on the screen, in builds that show it.
#include "render/render.h"

const WCHAR fpsFontName[] = u"Tahoma";
const REAL fpsFontSize = 16.0f;
// A rectangle without size: the text is neither wrapped nor clipped.
const RectF fpsTextRect = {0.0f, 0.0f, 0.0f, 0.0f};
GpFontFamily* fontFamily;
GpFont* font;
