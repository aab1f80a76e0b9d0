#include "web/glsl_es.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <vector>

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

// --- calls through loops of their own ---
//
// Chromium's software WebGL (ANGLE on SwiftShader) inlines every function
// and then takes time and memory that grow far faster than the code when
// several inlined copies of branching code follow one another outside any
// loop: the six map calls of a normal took minutes and gigabytes in its GPU
// process (each of those copies with its seven ifs and its calls of sin and
// cos); the same copies each inside a loop of their own compile in a
// fraction of a second. So in a fragment stage every call of a function that
// loops, or that calls a function that branches (if, a loop, ?:, or a call
// of such a function), is moved out of its statement into a loop that runs
// once, its result kept in a temporary:
//
//     n = f(a) - f(b);   becomes
//     float ffCall0; for (int ffOnce = int(min(gl_FragCoord.x, 0.0)); ffOnce < 1; ++ffOnce)
//     ffCall0 = f(a); float ffCall1; for (...) ffCall1 = f(b); n = ffCall0 - ffCall1;
//
// The loop's start is 0 for every fragment (window coordinates are never
// negative) but no compiler can see it, so none unrolls the loop away. Calls
// are taken in the order they are evaluated (arguments first, left to right),
// each once, so the statement computes the same. A statement where moving a
// call could change what is evaluated (?:, && and ||, ++ and --, a comma
// outside parentheses, a call left of the assignment, a loop's condition or
// step) keeps its calls; a source with preprocessor directives is left whole.
// The inserted text stays on the line of its statement: line numbers in
// compiler messages still match the desktop source.

const char onceLoop[] = "for (int ffOnce = int(min(gl_FragCoord.x, 0.0)); ffOnce < 1; ++ffOnce) ";

struct Token {
    size_t begin;
    size_t end;
    bool identifier;
};

const char* const longPunctuators[] = {"<<=", ">>=", "&&", "||", "^^", "++", "--",
                                       "==",  "!=",  "<=", ">=", "+=", "-=", "*=",
                                       "/=",  "%=",  "&=", "|=", "^=", "<<", ">>"};

// Identifiers, numbers and punctuators with their places; comments and white
// space are skipped. False when the text has a preprocessor directive.
bool tokenize(const std::string& text, std::vector<Token>& tokens) {
    size_t at = 0;
    bool lineStart = true;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '\n' || c == ' ' || c == '\t' || c == '\r') {
            lineStart = c == '\n' || lineStart;
            ++at;
            continue;
        }
        if (c == '#' && lineStart) return false;
        lineStart = false;
        if (text.compare(at, 2, "//") == 0) {
            at = text.find('\n', at);
            if (at == std::string::npos) at = text.size();
            continue;
        }
        if (text.compare(at, 2, "/*") == 0) {
            at = text.find("*/", at + 2);
            at = at == std::string::npos ? text.size() : at + 2;
            continue;
        }
        const size_t begin = at;
        if (startsIdentifier(c)) {
            while (at < text.size() && continuesIdentifier(text[at]))
                ++at;
            tokens.push_back({begin, at, true});
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '.' && std::isdigit(static_cast<unsigned char>(text[at + 1])))) {
            while (at < text.size() && (continuesIdentifier(text[at]) || text[at] == '.' ||
                                        ((text[at] == '+' || text[at] == '-') &&
                                         (text[at - 1] == 'e' || text[at - 1] == 'E'))))
                ++at;
            tokens.push_back({begin, at, false});
            continue;
        }
        size_t length = 1;
        for (const char* p : longPunctuators)
            if (text.compare(at, std::strlen(p), p) == 0) {
                length = std::strlen(p);
                break;
            }
        at += length;
        tokens.push_back({begin, at, false});
    }
    return true;
}

struct Edit {
    size_t begin;
    size_t end; // begin: an insertion
    std::string text;
};

class CallMover {
  public:
    explicit CallMover(const std::string& text) : text_(text) {}

    std::string run() {
        if (!tokenize(text_, t_)) return text_;
        findFunctions();
        if (moved_.empty()) return text_;
        for (const auto& [open, end] : bodies_)
            block(open, end);
        return applied();
    }

  private:
    bool is(size_t i, const char* s) const {
        return i < t_.size() && text_.compare(t_[i].begin, t_[i].end - t_[i].begin, s) == 0;
    }

    std::string word(size_t i) const { return text_.substr(t_[i].begin, t_[i].end - t_[i].begin); }

    // The token after the one that closes the bracket opened at i.
    size_t pastClose(size_t i) const {
        int depth = 0;
        for (; i < t_.size(); ++i) {
            if (is(i, "(") || is(i, "[") || is(i, "{")) ++depth;
            if ((is(i, ")") || is(i, "]") || is(i, "}")) && --depth == 0) return i + 1;
        }
        return t_.size();
    }

    bool isCall(size_t i) const { return t_[i].identifier && is(i + 1, "("); }

    // Functions defined at the top level: name ( parameters ) { body }.
    // The ones that loop or call a function that branches have their calls
    // moved; a function whose only branches are its own ifs (or ?:) is left
    // where it is called, as a loop around each of those calls costs more
    // (llvmpipe compiles the can program four times slower) than it saves.
    void findFunctions() {
        std::map<std::string, std::set<std::string>> calls;
        std::set<std::string> branching;
        std::set<std::string> heavy; // loops, or calls a function that branches
        size_t declarationStart = 0;
        for (size_t i = 0; i < t_.size();) {
            if (is(i, ";")) {
                declarationStart = ++i;
                continue;
            }
            if (is(i, "{")) { // a struct or block at the top level
                i = pastClose(i);
                declarationStart = i;
                continue;
            }
            if (!isCall(i) || i == declarationStart) {
                ++i;
                continue;
            }
            const size_t bodyAt = pastClose(i + 1);
            if (!is(bodyAt, "{")) {
                i = bodyAt;
                continue;
            }
            const std::string name = word(i);
            const size_t end = pastClose(bodyAt);
            returnType_[name] = text_.substr(t_[declarationStart].begin,
                                             t_[i - 1].end - t_[declarationStart].begin);
            bodies_.push_back({bodyAt, end});
            for (size_t k = bodyAt; k < end; ++k) {
                if (is(k, "if") || is(k, "for") || is(k, "while") || is(k, "do") ||
                    is(k, "switch") || is(k, "?"))
                    branching.insert(name);
                if (is(k, "for") || is(k, "while") || is(k, "do")) heavy.insert(name);
                if (isCall(k)) calls[name].insert(word(k));
            }
            i = end;
            declarationStart = end;
        }
        for (bool grown = true; grown;) {
            grown = false;
            for (const auto& [caller, callees] : calls)
                for (const std::string& callee : callees)
                    if (branching.count(callee) && branching.insert(caller).second) grown = true;
        }
        for (const auto& [name, callees] : calls)
            for (const std::string& callee : callees)
                if (branching.count(callee) && returnType_.count(callee)) heavy.insert(name);
        for (const std::string& name : heavy)
            if (name != "main") moved_.insert(name);
    }

    bool movedCall(size_t i) const { return isCall(i) && moved_.count(word(i)); }

    bool assigns(size_t i) const {
        if (t_[i].identifier || text_[t_[i].end - 1] != '=') return false;
        return !is(i, "==") && !is(i, "!=") && !is(i, "<=") && !is(i, ">=");
    }

    // Whether the calls in tokens [begin, end) may be moved before them.
    bool movable(size_t begin, size_t end) const {
        bool anyCall = false;
        bool assigned = true; // past the assignment, if there is one
        int depth = 0;
        for (size_t i = begin; i < end; ++i) {
            if (is(i, "(") || is(i, "[")) ++depth;
            if (is(i, ")") || is(i, "]")) --depth;
            if (depth == 0 && assigns(i)) assigned = false;
        }
        for (size_t i = begin; i < end; ++i) {
            if (is(i, "(") || is(i, "[")) ++depth;
            if (is(i, ")") || is(i, "]")) --depth;
            if (is(i, "?") || is(i, "&&") || is(i, "||") || is(i, "++") || is(i, "--") ||
                (depth == 0 && is(i, ",")))
                return false;
            if (depth == 0 && assigns(i)) assigned = true;
            if (movedCall(i)) {
                if (!assigned) return false;
                anyCall = true;
            }
        }
        return anyCall;
    }

    // A moved call's text on one line, without comments, white space runs as
    // one space.
    static std::string oneLine(const std::string& text) {
        std::string out;
        for (size_t at = 0; at < text.size();) {
            if (text.compare(at, 2, "//") == 0) {
                at = text.find('\n', at);
                if (at == std::string::npos) break;
            } else if (text.compare(at, 2, "/*") == 0) {
                at = text.find("*/", at + 2);
                if (at == std::string::npos) break;
                at += 2;
            } else if (std::isspace(static_cast<unsigned char>(text[at]))) {
                if (!out.empty() && out.back() != ' ') out += ' ';
                ++at;
            } else {
                out += text[at++];
            }
        }
        return out;
    }

    // The text of tokens [begin, end) with every moved call in it replaced by
    // its temporary, the calls' loops appended to `moved` in evaluation order.
    // A moved call's own newlines stay where it was.
    std::string replaceCalls(size_t begin, size_t end, std::string& moved, bool wholeStatement) {
        std::string out;
        size_t copied = t_[begin].begin;
        for (size_t i = begin; i < end;) {
            if (!movedCall(i)) {
                ++i;
                continue;
            }
            const size_t close = pastClose(i + 1) - 1; // the call's ")"
            std::string call = word(i) + "(";
            if (close > i + 2)
                call += replaceCalls(i + 2, close, moved, false);
            else
                call += text_.substr(t_[i + 1].end, t_[close].begin - t_[i + 1].end);
            call = oneLine(call + ")");
            const std::string type = returnType_.at(word(i));
            out += text_.substr(copied, t_[i].begin - copied);
            const size_t lines = static_cast<size_t>(
                std::count(text_.begin() + t_[i].begin, text_.begin() + t_[close].end, '\n'));
            if (wholeStatement && i == begin && close + 1 == end) { // f(...); alone
                moved += onceLoop + call;
            } else {
                const std::string temporary = "ffCall" + std::to_string(count_++);
                moved += type + " " + temporary + "; " + onceLoop + temporary + " = " + call + "; ";
                out += temporary;
            }
            out += std::string(lines, '\n');
            copied = t_[close].end;
            i = close + 1;
        }
        return out + text_.substr(copied, t_[end - 1].end - copied);
    }

    // Moves the calls of tokens [begin, end), a part of the statement that
    // spans [statement, statementEnd): their loops go before the statement,
    // which a block encloses where it stands in none.
    void moveCalls(size_t begin, size_t end, size_t statement, size_t statementEnd, bool inBlock) {
        if (begin >= end || !movable(begin, end)) return;
        std::string moved;
        const bool whole = begin == statement;
        const std::string rest = replaceCalls(begin, end, moved, whole);
        if (whole && rest.find_first_not_of(" \t\n") == std::string::npos) {
            // f(...); alone: the loop is the statement, its ";" stays
            edits_.push_back(
                {t_[begin].begin, t_[end - 1].end, (inBlock ? "" : "{ ") + moved + rest});
            if (!inBlock) edits_.push_back({t_[end].end, t_[end].end, " }"});
            return;
        }
        edits_.push_back({t_[statement].begin, t_[statement].begin, (inBlock ? "" : "{ ") + moved});
        edits_.push_back({t_[begin].begin, t_[end - 1].end, rest});
        if (!inBlock) edits_.push_back({t_[statementEnd - 1].end, t_[statementEnd - 1].end, " }"});
    }

    // Statements from i up to the "}" closing a block opened before i.
    void block(size_t open, size_t end) {
        for (size_t i = open + 1; i + 1 < end;)
            i = statement(i, true);
    }

    size_t statement(size_t i, bool inBlock) {
        if (i >= t_.size()) return i;
        if (is(i, "{")) {
            const size_t end = pastClose(i);
            block(i, end);
            return end;
        }
        if (is(i, "if")) {
            const size_t condition = i + 1;
            const size_t body = pastClose(condition);
            size_t end = statement(body, false);
            if (is(end, "else")) end = statement(end + 1, false);
            moveCalls(condition + 1, body - 1, i, end, inBlock);
            return end;
        }
        if (is(i, "for")) {
            const size_t header = i + 1;
            const size_t body = pastClose(header);
            size_t initEnd = header + 1;
            while (initEnd < body && !is(initEnd, ";"))
                ++initEnd;
            const size_t end = statement(body, false);
            moveCalls(header + 1, initEnd, i, end, inBlock);
            return end;
        }
        if (is(i, "while")) return statement(pastClose(i + 1), false);
        if (is(i, "do")) {
            const size_t end = statement(i + 1, false); // then while ( ... ) ;
            return pastClose(end + 1) + 1;
        }
        if (is(i, "switch")) return pastClose(pastClose(i + 1));
        size_t end = i;
        while (end < t_.size() && !is(end, ";")) {
            if (is(end, "(") || is(end, "[") || is(end, "{"))
                end = pastClose(end);
            else
                ++end;
        }
        if (end >= t_.size()) return end; // no ";": the compiler will say so
        const bool returns = is(i, "return");
        moveCalls(returns ? i + 1 : i, end, i, end + 1, inBlock);
        return end + 1;
    }

    // The edits never overlap; at one place an insertion comes before a
    // replacement that starts there, as it was made first.
    std::string applied() {
        std::stable_sort(edits_.begin(), edits_.end(),
                         [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
        std::string out;
        size_t copied = 0;
        for (const Edit& edit : edits_) {
            out += text_.substr(copied, edit.begin - copied) + edit.text;
            copied = edit.end;
        }
        return out + text_.substr(copied);
    }

    const std::string& text_;
    std::vector<Token> t_;
    std::map<std::string, std::string> returnType_;
    std::vector<std::pair<size_t, size_t>> bodies_; // "{" and past "}", in source order
    std::set<std::string> moved_;
    std::vector<Edit> edits_;
    int count_ = 0;
};

} // namespace

EsShader translateToEs300(const char* desktopSource, ShaderStage stage, EsCalls calls) {
    Rewrite r;
    r.stage = stage;
    rewriteBody(r, desktopSource);
    if (!r.error.empty()) return {std::string(), r.error};
    if (stage == ShaderStage::fragment && calls == EsCalls::inOnceLoops)
        r.body = CallMover(r.body).run();
    return {header(r) + r.body, std::string()};
}
