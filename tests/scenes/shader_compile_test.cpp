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

// The sources carry no version line; the same text must also build as
// declared GLSL 1.10 and 1.20.
TEST_F(ShaderCompile, EveryProgramBuildsAsVersion110And120) {
    const struct {
        const char* name;
        const char* source;
    } programs[] = {{"waves", wavesFragmentSource},
                    {"balls", ballsFragmentSource},
                    {"flight", flightFragmentSource},
                    {"can", canFragmentSource}};
    for (const char* version : {"#version 110\n", "#version 120\n"})
        for (const auto& program : programs) {
            const std::string source = std::string(version) + program.source;
            expectBuilds((std::string(program.name) + " " + version).c_str(), source.c_str());
        }
}

TEST_F(ShaderCompile, ABrokenSourceIsReported) {
    std::string log;
    EXPECT_EQ(buildCheckedProgram("void main() { gl_FragColor = vec4(1); undefinedCall(); }", &log),
              0u);
    EXPECT_FALSE(log.empty());
}

} // namespace
