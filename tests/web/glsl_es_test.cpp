// The desktop sources rewritten as GLSL ES 3.00 for the browser version.
#include "frame/intro.h"
#include "scenes/shaders.h"
#include "web/glsl_es.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

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

// --- calls through loops of their own (fragment stage) ---

const std::string once = "for (int ffOnce = int(min(gl_FragCoord.x, 0.0)); ffOnce < 1; ++ffOnce) ";

// f loops, g only branches, h calls g: calls of f and h move, calls of g stay.
const char functions[] = "float f(float x)\n{\n    for (int i = 0; i < 4; i++)\n"
                         "        x *= 0.5;\n    return x;\n}\n"
                         "float g(float x)\n{\n    if (x > 0.0)\n        return 1.0;\n"
                         "    return x;\n}\n"
                         "vec3 h(float x)\n{\n    return vec3(g(x) * 2.0);\n}\n";

std::string body(const std::string& source) {
    const std::string es =
        translateToEs300((std::string(functions) + source).c_str(), ShaderStage::fragment).source;
    return es.substr(es.find("void main()"));
}

TEST(GlslEsCalls, CallsOfFunctionsThatLoopOrCallBranchesMoveInEvaluationOrder) {
    EXPECT_EQ(body("void main()\n{\n    float a = f(1.0) - f(g(2.0));\n}\n"),
              "void main()\n{\n    float ffCall0; " + once + "ffCall0 = f(1.0); float ffCall1; " +
                  once + "ffCall1 = f(g(2.0)); float a = ffCall0 - ffCall1;\n}\n");
    // Arguments first: the inner call's result feeds the outer call.
    EXPECT_EQ(body("void main()\n{\n    gl_FragColor = vec4(h(f(1.0)), 1.0);\n}\n"),
              "void main()\n{\n    float ffCall0; " + once + "ffCall0 = f(1.0); vec3 ffCall1; " +
                  once + "ffCall1 = h(ffCall0); ffFragColor = vec4(ffCall1, 1.0);\n}\n");
    // g alone (a leaf that only branches) stays where it is.
    EXPECT_EQ(body("void main()\n{\n    float a = g(1.0) + g(2.0);\n}\n"),
              "void main()\n{\n    float a = g(1.0) + g(2.0);\n}\n");
}

TEST(GlslEsCalls, EveryKindOfStatement) {
    // assignment, return, a call alone, an if's condition, a loop's start
    EXPECT_EQ(body("void main()\n{\n    float a;\n    a += f(a);\n}\n"),
              "void main()\n{\n    float a;\n    float ffCall0; " + once +
                  "ffCall0 = f(a); a += ffCall0;\n}\n");
    const std::string returned =
        translateToEs300(
            (std::string(functions) + "float k(float x)\n{\n    return f(x) * 2.0;\n}\n").c_str(),
            ShaderStage::fragment)
            .source;
    EXPECT_NE(returned.find("float ffCall0; " + once + "ffCall0 = f(x); return ffCall0 * 2.0;"),
              std::string::npos);
    EXPECT_EQ(body("void main()\n{\n    h(1.0);\n}\n"),
              "void main()\n{\n    " + once + "h(1.0);\n}\n");
    EXPECT_EQ(body("void main()\n{\n    if (f(1.0) > 0.5)\n        discard;\n}\n"),
              "void main()\n{\n    float ffCall0; " + once +
                  "ffCall0 = f(1.0); if (ffCall0 > 0.5)\n        discard;\n}\n");
    EXPECT_EQ(body("void main()\n{\n    for (float a = f(1.0); a < 2.0; a += 0.5) {}\n}\n"),
              "void main()\n{\n    float ffCall0; " + once +
                  "ffCall0 = f(1.0); for (float a = ffCall0; a < 2.0; a += 0.5) {}\n}\n");
}

TEST(GlslEsCalls, StatementsOutsideABlockGetOne) {
    EXPECT_EQ(
        body("void main()\n{\n    float a = 0.0;\n    for (int i = 0; i < 2; i++)\n"
             "        a = max(a, f(a));\n}\n"),
        "void main()\n{\n    float a = 0.0;\n    for (int i = 0; i < 2; i++)\n        { float "
        "ffCall0; " +
            once + "ffCall0 = f(a); a = max(a, ffCall0); }\n}\n");
    EXPECT_EQ(body("void main()\n{\n    float a = 0.0;\n    if (a > 1.0)\n        a = 1.0;\n"
                   "    else if (f(a) > 1.0)\n        a = 2.0;\n}\n"),
              "void main()\n{\n    float a = 0.0;\n    if (a > 1.0)\n        a = 1.0;\n"
              "    else { float ffCall0; " +
                  once + "ffCall0 = f(a); if (ffCall0 > 1.0)\n        a = 2.0; }\n}\n");
}

TEST(GlslEsCalls, CallsThatCouldBeEvaluatedOtherwiseStay) {
    const char* unchanged[] = {
        "void main()\n{\n    float a = gl_FragCoord.x > 1.0 ? f(1.0) : 0.0;\n}\n",
        "void main()\n{\n    bool b = gl_FragCoord.x > 1.0 && f(1.0) > 0.0;\n}\n",
        "void main()\n{\n    float a = 0.0;\n    while (f(a) < 1.0)\n        a += 0.25;\n}\n",
        "void main()\n{\n    for (float a = 0.0; a < f(2.0); a += f(a)) {}\n}\n",
        "void main()\n{\n    int i = 0;\n    float a = f(float(i++));\n}\n",
        "void main()\n{\n    float a = 1.0, b = f(a);\n}\n",
        "void main()\n{\n    float v[2];\n    v[int(f(1.0))] = 1.0;\n}\n",
        "void main()\n{\n    float a = 0.0;\n    do\n        a += 0.5;\n    while (f(a) < "
        "1.0);\n}\n",
    };
    for (const char* source : unchanged)
        EXPECT_EQ(body(source), source);
}

TEST(GlslEsCalls, BrokenSourcesPassThroughForTheCompilerToRefuse) {
    const char* broken[] = {
        "void main()\n{\n    float a = f(1.0)\n}\n",
        "void main()\n{\n    float a = f(1.0;\n}\n",
        "void main()\n{\n    if (f(1.0) > 0.0\n",
        "void main()\n{\n    do a = f(1.0);\n",
        "void main()\n{\n    for (float a = f(1.0)",
        "void main()\n{\n    f(",
        "void main()\n{\n    h(1.0)",
    };
    for (const char* source : broken)
        EXPECT_NE(body(source), "") << source;
}

TEST(GlslEsCalls, CommentsAndLinesOfAMovedCall) {
    // The call's text moves onto the statement's line without its comments;
    // its line breaks stay where they were.
    EXPECT_EQ(
        body("void main()\n{\n    float a = f(1.0 + // one\n                2.0) /* two */;\n}\n"),
        "void main()\n{\n    float ffCall0; " + once +
            "ffCall0 = f(1.0 + 2.0); float a = ffCall0\n /* two */;\n}\n");
}

TEST(GlslEsCalls, VertexStagesAndSourcesWithDirectivesAreLeftAlone) {
    const std::string loop = "float f(float x)\n{\n    for (int i = 0; i < 4; i++)\n"
                             "        x *= 0.5;\n    return x;\n}\n";
    const std::string vertex =
        es((loop + "void main()\n{\n    gl_Position = vec4(f(1.0));\n}\n").c_str(),
           ShaderStage::vertex);
    EXPECT_EQ(vertex.find("ffOnce"), std::string::npos);
    const std::string directive =
        es(("#define TWO 2.0\n" + loop + "void main()\n{\n    gl_FragColor = vec4(f(TWO));\n}\n")
               .c_str());
    EXPECT_EQ(directive.find("ffOnce"), std::string::npos);
}

// The programs: every call of map, normalAt, the march and the rest of the
// heavy functions has its own loop; the light ones (nearest, rot) do not.
TEST(GlslEsCalls, TheProgramsCallTheirHeavyFunctionsThroughLoops) {
    struct Program {
        const char* source;
        std::vector<std::string> moved;
        std::vector<std::string> kept;
    };
    const Program programs[] = {
        {canFragmentSource,
         {"map", "normalAt", "occlusion", "render", "can", "setScene"},
         {"nearest", "glow", "poles", "rot", "lightAt", "past"}},
        {flightFragmentSource,
         {"map", "normalAt", "shadowTerm", "render"},
         {"nearest", "wallColour", "rot", "ribs", "spikes", "stream"}},
        {wavesFragmentSource, {"map", "normalAt", "render", "fillSwayOfRow"}, {"sway", "rot"}},
        {ballsFragmentSource, {}, {"rand", "ball"}},
    };
    for (const Program& program : programs) {
        const std::string source = es(program.source);
        for (const std::string& name : program.moved) {
            const std::regex call("\\b" + name + "\\(");
            const std::regex definition("^\\w+ $");
            const std::regex moved(std::regex_replace(once, std::regex("[()+.]"), "\\$&") +
                                   "(ffCall[0-9]+ = )?$");
            int calls = 0;
            for (auto it = std::sregex_iterator(source.begin(), source.end(), call);
                 it != std::sregex_iterator(); ++it) {
                const std::string before = source.substr(0, static_cast<size_t>(it->position()));
                const std::string line = before.substr(before.find_last_of('\n') + 1);
                if (std::regex_search(line, definition)) continue;
                ++calls;
                EXPECT_TRUE(std::regex_search(line, moved))
                    << name << " called outside a loop of its own: " << line;
            }
            EXPECT_GT(calls, 0) << name;
        }
        for (const std::string& name : program.kept)
            EXPECT_FALSE(std::regex_search(
                source, std::regex("ffOnce\\) (ffCall[0-9]+ = )?" + name + "\\(")))
                << name << " should stay where it is called";
    }
}

} // namespace
