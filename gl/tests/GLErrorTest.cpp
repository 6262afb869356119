#include "GLError.h"
#include "GLTestContext.h"
#include "Window.h"

#include <gtest/gtest.h>

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

TEST(GLErrorReporting, CheckGLErrorNamesThePlaceAndDrainsTheQueue) {
    GLTestContext context;
    ASSERT_TRUE(context.ok());

    CaptureStderr();
    EXPECT_FALSE(CheckGLError("quiet"));
    EXPECT_EQ(GetCapturedStderr(), "");

    glEnable(0x1234); // not a capability: invalid enum
    CaptureStderr();
    EXPECT_TRUE(CheckGLError("after glEnable"));
    EXPECT_EQ(GetCapturedStderr(),
              "\n >>> OpenGL ERROR @after glEnable: invalid enumerant ! <<< \n\n");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GLErrorReporting, ReportGLErrorPrintsOneFixedSentencePerError) {
    GLTestContext context;
    ASSERT_TRUE(context.ok());

    CaptureStderr();
    ReportGLError();
    EXPECT_EQ(GetCapturedStderr(), "");

    glEnable(0x1234);
    CaptureStderr();
    ReportGLError();
    EXPECT_EQ(GetCapturedStderr(), "GL: enum argument out of range.\n");

    glLineWidth(-1.0f);
    CaptureStderr();
    ReportGLError();
    EXPECT_EQ(GetCapturedStderr(), "GL: Numeric argument out of range.\n");

    glBindVertexArray(12345); // never generated
    CaptureStderr();
    ReportGLError();
    EXPECT_EQ(GetCapturedStderr(), "GL: Operation illegal in current state.\n");
}

TEST(GLErrorReporting, CoreContextRefusesTheFixedFunctionPipeline) {
    GLTestContext context;
    ASSERT_TRUE(context.ok());
    CaptureStdout();
    CaptureStderr();
    TestGLContext();
    const std::string err = GetCapturedStderr();
    const std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("Loaded OpenGL Version "), std::string::npos);
    EXPECT_NE(out.find("Doing illegal operation (glTranslate) now..."), std::string::npos);
    EXPECT_NE(err.find(">>> OpenGL ERROR @after glTranslatef(): invalid operation ! <<<"),
              std::string::npos);
    EXPECT_NE(err.find("GL DOES NOT know deprecated fixed function pipeline, like glTranslatef()"),
              std::string::npos);
}
