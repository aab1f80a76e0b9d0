// Each fragment program compiles and links with the shared vertex stage.
#include "scenes/shaders.h"
#include "tests/scenes/gl_harness.h"

#include <gtest/gtest.h>

namespace {

class ShaderCompile : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(startGl(16, 16)); }
};

void expectBuilds(const char* name, const char* source) {
    std::string log;
    EXPECT_NE(buildCheckedProgram(source, &log), 0u) << name << ":\n" << log;
}

TEST_F(ShaderCompile, EveryProgramCompilesAndLinks) {
    expectBuilds("waves", wavesFragmentSource);
    expectBuilds("balls", ballsFragmentSource);
    expectBuilds("flight", flightFragmentSource);
    expectBuilds("can", canFragmentSource);
}

TEST_F(ShaderCompile, ABrokenSourceIsReported) {
    std::string log;
    EXPECT_EQ(buildCheckedProgram("void main() { gl_FragColor = vec4(1); undefinedCall(); }", &log),
              0u);
    EXPECT_FALSE(log.empty());
}

} // namespace
