#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "image/TextureImageRect.h"


namespace {

// An OpenGL context without any window (Mesa's surfaceless platform), with
// a small framebuffer to draw into. Where the machine offers none, the
// tests are skipped.
class OffscreenGL : public ::testing::Test {
protected:
    static constexpr int width = 200;
    static constexpr int height = 120;

    void SetUp() override {
        const auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getDisplay == nullptr) {
            GTEST_SKIP() << "no EGL platform displays";
        }
        display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) ||
            !eglBindAPI(EGL_OPENGL_API)) {
            GTEST_SKIP() << "no surfaceless OpenGL";
        }
        context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
        if (context == EGL_NO_CONTEXT ||
            !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
            GTEST_SKIP() << "no OpenGL context";
        }
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenRenderbuffers(1, &colorBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  colorBuffer);
        // The painter's window-pixel projection.
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, width, 0, height, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    void TearDown() override {
        if (context != EGL_NO_CONTEXT) {
            glDeleteRenderbuffers(1, &colorBuffer);
            glDeleteFramebuffers(1, &framebuffer);
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            eglDestroyContext(display, context);
        }
    }

    std::array<unsigned char, 3> pixelAt(int x, int y) {
        std::array<unsigned char, 4> rgba{};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return {rgba[0], rgba[1], rgba[2]};
    }

    static GLint levelParameter(GLuint texture, GLenum name) {
        GLint value = -1;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
        glBindTexture(GL_TEXTURE_2D, 0);
        return value;
    }

    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0;
    GLuint colorBuffer = 0;
};

using Rgb = std::array<unsigned char, 3>;

}  // namespace

TEST_F(OffscreenGL, AnEmptyPictureUploadsToANamedEmptyTextureWithoutError) {
    TextureImageRect<vec4> picture;
    EXPECT_EQ(picture.texture, 0u);
    EXPECT_EQ(picture.target, GLenum(GL_TEXTURE_2D));
    ::testing::internal::CaptureStdout();
    picture.upload();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_NE(picture.texture, 0u);
    EXPECT_EQ(levelParameter(picture.texture, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(OffscreenGL, ALaterUploadKeepsTheNameAndTakesTheNewPicture) {
    TextureImageRect<float> grey;
    const std::vector<float> small(3 * 2, 0.5f);
    grey.setPixels(3, 2, small.data());
    grey.upload();
    const GLuint name = grey.texture;
    EXPECT_EQ(levelParameter(name, GL_TEXTURE_WIDTH), 3);

    std::vector<float> larger(5 * 4);
    for (std::size_t i = 0; i < larger.size(); ++i) {
        larger[i] = float(i) / 32.0f;
    }
    grey.setPixels(5, 4, larger.data());
    grey.upload();
    EXPECT_EQ(grey.texture, name);
    EXPECT_EQ(levelParameter(name, GL_TEXTURE_WIDTH), 5);
    EXPECT_EQ(levelParameter(name, GL_TEXTURE_HEIGHT), 4);
    // Grey levels stay one channel: luminance, read back as it went in (to
    // within a step of the driver's 8-bit luminance).
    std::vector<float> back(larger.size(), -1.0f);
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_FLOAT, back.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    for (std::size_t i = 0; i < larger.size(); ++i) {
        EXPECT_NEAR(back[i], larger[i], 1.0 / 255) << i;
    }
}

TEST_F(OffscreenGL, UploadLeavesTheTextureClampedLinearAndUnboundWithReplaceMode) {
    TextureImageRect<vec3> picture;
    const std::vector<vec3> pixels(4, vec3{1.0f, 0.0f, 0.0f});
    picture.setPixels(2, 2, pixels.data());
    picture.upload();
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    GLfloat mode = 0.0f;
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, float(GL_REPLACE));
    glBindTexture(GL_TEXTURE_2D, picture.texture);
    GLint wrap = 0;
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
    EXPECT_EQ(wrap, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(OffscreenGL, DrawPutsThePictureAtItsOwnSizeWithItsLowerLeftCornerAt60) {
    // Row 0 is the bottom row: red, green above blue, white.
    TextureImageRect<vec3> picture;
    const std::vector<vec3> pixels = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
    picture.setPixels(2, 2, pixels.data());
    picture.upload();
    // The texture's own colours show, whatever the current colour is.
    glColor3f(0.2f, 0.2f, 0.2f);
    picture.draw(100, 60);
    EXPECT_EQ(pixelAt(100, 60), (Rgb{255, 0, 0}));
    EXPECT_EQ(pixelAt(101, 60), (Rgb{0, 255, 0}));
    EXPECT_EQ(pixelAt(100, 61), (Rgb{0, 0, 255}));
    EXPECT_EQ(pixelAt(101, 61), (Rgb{255, 255, 255}));
    for (const auto& [x, y] : {std::pair{99, 60}, {102, 60}, {100, 59}, {100, 62}}) {
        EXPECT_EQ(pixelAt(x, y), (Rgb{0, 0, 0})) << x << "," << y;
    }
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(OffscreenGL, APictureNeverUploadedDrawsNothing) {
    TextureImageRect<vec3> picture;
    const std::vector<vec3> pixels(4, vec3{1.0f, 1.0f, 1.0f});
    picture.setPixels(2, 2, pixels.data());
    glColor3f(1.0f, 1.0f, 1.0f);
    picture.draw(100, 60);
    EXPECT_EQ(pixelAt(100, 60), (Rgb{0, 0, 0}));
    EXPECT_EQ(picture.texture, 0u);
}

TEST_F(OffscreenGL, DestructionDeletesTheTexture) {
    GLuint name = 0;
    {
        TextureImageRect<vec4> picture;
        picture.upload();
        name = picture.texture;
        EXPECT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(OffscreenGL, AnErrorIsReportedOnceWithTheCheckersFileAndLine) {
    glEnable(0x7fff);  // not a capability: an invalid-enum error is pending
    ::testing::internal::CaptureStdout();
    reportOpenGLError("display.cpp", 42);
    reportOpenGLError("display.cpp", 43);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "OpenGL Error: invalid enumerant (File: display.cpp, line 42)\n");
}
