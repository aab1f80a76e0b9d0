// The desktop sources rewritten as GLSL ES 3.00 for the browser version.
#include "frame/intro.h"
#include "scenes/shaders.h"
#include "web/glsl_es.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

std::string es(const char* source, ShaderStage stage = ShaderStage::fragment) {
    const EsShader shader = translateToEs300(source, stage);
    EXPECT_EQ(shader.error, "");
    return shader.source;
}

std::string errorOf(const char* source, ShaderStage stage = ShaderStage::fragment) {
    const EsShader shader = translateToEs300(source, stage);
    EXPECT_EQ(shader.source, "");
    return shader.error;
}

// Built-in names left in a rewritten source, other than the two ES keeps.
std::string leftoverBuiltIns(const std::string& source) {
    std::string found;
    const std::regex builtIn("\\bgl_[A-Za-z0-9_]+");
    for (auto it = std::sregex_iterator(source.begin(), source.end(), builtIn);
         it != std::sregex_iterator(); ++it) {
        const std::string name = it->str();
        if (name != "gl_Position" && name != "gl_FragCoord") found += name + " ";
    }
    return found;
}

size_t lines(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(GlslEs, EveryProgramRewritesToEs300WithoutDesktopBuiltIns) {
    const char* fragments[] = {wavesFragmentSource, ballsFragmentSource, flightFragmentSource,
                               canFragmentSource};
    for (const char* desktop : fragments) {
        const std::string source = es(desktop);
        EXPECT_EQ(source.rfind("#version 300 es\nprecision highp float;\n", 0), 0u);
        EXPECT_EQ(leftoverBuiltIns(source), "");
        EXPECT_EQ(source.find("texture2D"), std::string::npos);
        EXPECT_NE(source.find("out vec4 ffFragColor;"), std::string::npos);
        // Statement for statement: the body keeps the desktop source's lines.
        const size_t header = lines(source.substr(0, source.find("out vec4 ffFragColor;\n") + 22));
        EXPECT_EQ(lines(source) - header, lines(desktop));
    }
}

TEST(GlslEs, SharedVertexStageReadsAttributesAndFeedsBothTexCoordSets) {
    const std::string source = es(sharedVertexSource, ShaderStage::vertex);
    EXPECT_EQ(leftoverBuiltIns(source), "");
    EXPECT_NE(source.find("in vec4 ffVertex;\n"), std::string::npos);
    EXPECT_NE(source.find("in vec4 ffMultiTexCoord0;\n"), std::string::npos);
    EXPECT_NE(source.find("out vec4 ffTexCoord0;\nout vec4 ffTexCoord1;\n"), std::string::npos);
    EXPECT_NE(source.find("gl_Position = ffVertex;"), std::string::npos);
    EXPECT_NE(source.find("ffTexCoord1.xy = (vec2(0.5, 0.5) + 0.5 * ffVertex.xy)"),
              std::string::npos);
    EXPECT_EQ(source.find("ffColor"), std::string::npos) << "gl_Color is not read";
}

TEST(GlslEs, FragmentStageDeclaresOnlyTheTexCoordSetsItReads) {
    const std::string framed = es(canFragmentSource);
    EXPECT_NE(framed.find("in vec4 ffTexCoord0;\n"), std::string::npos);
    EXPECT_NE(framed.find("vec2 uv = 2.0 * ffTexCoord0.st - 1.0;"), std::string::npos);
    EXPECT_NE(framed.find("texture(iChannel2, p.xy * 0.25)"), std::string::npos);
    const std::string full = es(wavesFragmentSource);
    EXPECT_EQ(full.find("ffTexCoord"), std::string::npos);
    EXPECT_NE(full.find("gl_FragCoord.xy"), std::string::npos);
}

TEST(GlslEs, OnlyWholeIdentifiersAreReplaced) {
    const std::string source = es("float mytexture2D = 1e5; vec4 texture2Dx;\n"
                                  "void main() { gl_FragColor = texture2D(s, vec2(0x80)); }\n");
    EXPECT_NE(source.find("float mytexture2D = 1e5; vec4 texture2Dx;"), std::string::npos);
    EXPECT_NE(source.find("ffFragColor = texture(s, vec2(0x80));"), std::string::npos);
}

TEST(GlslEs, CommentsAndVersionLinesOfTheDesktopSource) {
    const std::string source = es("#version 120\n"
                                  "// writes gl_FragColor, not gl_FragData\n"
                                  "/* gl_LightSource[0] is not used */\n"
                                  "void main() { gl_FragColor = vec4(1.0); }\n");
    EXPECT_EQ(source.find("#version 120"), std::string::npos);
    EXPECT_EQ(source.find("#version 300 es"), 0u);
    EXPECT_NE(source.find("// writes gl_FragColor, not gl_FragData\n"), std::string::npos);
    EXPECT_NE(source.find("/* gl_LightSource[0] is not used */"), std::string::npos);
}

TEST(GlslEs, UnknownBuiltInsAreRefusedByName) {
    EXPECT_EQ(errorOf("void main() { gl_Position = gl_ModelViewMatrix * gl_Vertex; }\n",
                      ShaderStage::vertex),
              "no GLSL ES equivalent for the built-in gl_ModelViewMatrix");
    EXPECT_EQ(errorOf("void main() { gl_FragColor = gl_Color; }\n"),
              "no GLSL ES equivalent for the built-in gl_Color");
    EXPECT_EQ(errorOf("void main() { gl_FragData[0] = vec4(1.0); }\n"),
              "no GLSL ES equivalent for the built-in gl_FragData");
    EXPECT_EQ(errorOf("uniform int i; void main() { gl_FragColor = gl_TexCoord[i]; }\n"),
              "gl_TexCoord needs a literal index from 0 to 7");
}

} // namespace
