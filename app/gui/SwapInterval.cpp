#include "app/gui/SwapInterval.h"

#include <GL/glx.h>

#include <cstring>

namespace {

// Whether the space-separated extension list names the extension exactly
// (one name may be the start of another).
bool hasExtension(const char* list, const char* name) {
    if (list == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at != nullptr;
         at = std::strstr(at + 1, name)) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) {
            return true;
        }
    }
    return false;
}

}  // namespace

void disableSwapWait() {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (display == nullptr || drawable == 0) {
        return;
    }
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    // glXGetProcAddress answers for any name, so the list decides.
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        const auto swapInterval = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (swapInterval != nullptr) {
            swapInterval(display, drawable, 0);
        }
    } else if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        const auto swapInterval = reinterpret_cast<int (*)(unsigned)>(
            glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (swapInterval != nullptr) {
            swapInterval(0);
        }
    }
}
