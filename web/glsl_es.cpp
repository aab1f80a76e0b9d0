#include "web/glsl_es.h"

#include <cctype>
#include <cstring>

namespace {

constexpr unsigned texCoordSets = 8;

struct Rewrite {
    ShaderStage stage;
    std::string body;
    bool usesVertex = false;
    bool usesMultiTexCoord0 = false;
    bool usesColour = false;
    unsigned texCoords = 0; // bit n: gl_TexCoord[n] appears
    std::string error;
};

bool startsIdentifier(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool continuesIdentifier(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// gl_TexCoord needs a literal index: "[n]" right after the name.
bool texCoordIndex(const char* at, unsigned* index, size_t* length) {
    if (at[0] != '[' || !std::isdigit(static_cast<unsigned char>(at[1])) || at[2] != ']')
        return false;
    *index = static_cast<unsigned>(at[1] - '0');
    *length = 3;
    return *index < texCoordSets;
}

// Appends the replacement of one identifier; `at` points past it and moves
// on when the replacement swallows more (the index of gl_TexCoord).
void rewriteIdentifier(Rewrite& r, const std::string& name, const char*& at) {
    const bool vertex = r.stage == ShaderStage::vertex;
    if (name == "texture2D") {
        r.body += "texture";
    } else if (name.compare(0, 3, "gl_") != 0 || name == "gl_Position" || name == "gl_FragCoord") {
        r.body += name;
    } else if (vertex && name == "gl_Vertex") {
        r.usesVertex = true;
        r.body += "ffVertex";
    } else if (vertex && name == "gl_MultiTexCoord0") {
        r.usesMultiTexCoord0 = true;
        r.body += "ffMultiTexCoord0";
    } else if (vertex && name == "gl_Color") {
        r.usesColour = true;
        r.body += "ffColor";
    } else if (!vertex && name == "gl_FragColor") {
        r.body += "ffFragColor";
    } else if (name == "gl_TexCoord") {
        unsigned index = 0;
        size_t length = 0;
        if (!texCoordIndex(at, &index, &length)) {
            r.error = "gl_TexCoord needs a literal index from 0 to 7";
            return;
        }
        r.texCoords |= 1u << index;
        r.body += "ffTexCoord" + std::to_string(index);
        at += length;
    } else {
        r.error = "no GLSL ES equivalent for the built-in " + name;
    }
}

// Copies a comment through unchanged; returns false when `at` is no comment.
bool copyComment(Rewrite& r, const char*& at) {
    if (at[0] != '/' || (at[1] != '/' && at[1] != '*')) return false;
    const char* end = at[1] == '/' ? std::strchr(at, '\n') : std::strstr(at + 2, "*/");
    end = end ? end + (at[1] == '*' ? 2 : 0) : at + std::strlen(at);
    r.body.append(at, end);
    at = end;
    return true;
}

// A "#version" line of the desktop source is dropped: the header sets one.
bool skipVersionLine(const char*& at, bool lineStart) {
    if (!lineStart) return false;
    const char* p = at;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (std::strncmp(p, "#version", 8) != 0) return false;
    const char* end = std::strchr(p, '\n');
    at = end ? end + 1 : p + std::strlen(p);
    return true;
}

void rewriteBody(Rewrite& r, const char* source) {
    const char* at = source;
    bool lineStart = true;
    while (*at && r.error.empty()) {
        if (skipVersionLine(at, lineStart)) continue;
        if (copyComment(r, at)) continue;
        if (startsIdentifier(*at)) {
            const char* begin = at;
            while (continuesIdentifier(*at))
                ++at;
            rewriteIdentifier(r, std::string(begin, at), at);
            lineStart = false;
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(*at))) { // 1e5, 0x80: no identifiers
            while (continuesIdentifier(*at) || *at == '.')
                r.body += *at++;
            lineStart = false;
            continue;
        }
        lineStart = *at == '\n' || (lineStart && (*at == ' ' || *at == '\t'));
        r.body += *at++;
    }
}

std::string header(const Rewrite& r) {
    std::string h = "#version 300 es\nprecision highp float;\nprecision highp int;\n";
    if (r.stage == ShaderStage::vertex) {
        if (r.usesVertex) h += "in vec4 ffVertex;\n";
        if (r.usesMultiTexCoord0) h += "in vec4 ffMultiTexCoord0;\n";
        if (r.usesColour) h += "in vec4 ffColor;\n";
        // Both sets the fragment programs read are always passed on.
        for (unsigned n = 0; n < texCoordSets; ++n)
            if (n < 2 || (r.texCoords >> n & 1u))
                h += "out vec4 ffTexCoord" + std::to_string(n) + ";\n";
    } else {
        h += "precision highp sampler2D;\n";
        for (unsigned n = 0; n < texCoordSets; ++n)
            if (r.texCoords >> n & 1u) h += "in vec4 ffTexCoord" + std::to_string(n) + ";\n";
        h += "out vec4 ffFragColor;\n";
    }
    return h;
}

} // namespace

EsShader translateToEs300(const char* desktopSource, ShaderStage stage) {
    Rewrite r;
    r.stage = stage;
    rewriteBody(r, desktopSource);
    if (!r.error.empty()) return {std::string(), r.error};
    return {header(r) + r.body, std::string()};
}
