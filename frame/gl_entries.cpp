#include "frame/gl_entries.h"
#include "frame/intro_state.h"

const char* const glEntryNames[GlEntryCount] = {
    "glCreateProgram", "glCreateShader", "glShaderSource", "glCompileShader",
    "glAttachShader",  "glLinkProgram",  "glUseProgram",   "glGetUniformLocationARB",
    "glUniform4fv",    "glUniform1iv",   "glUniform2f",    "glUniform1f",
    "glActiveTexture",
};

namespace {

template <typename Fn> Fn entry(GlEntry index) {
    return reinterpret_cast<Fn>(intro.glEntries.entries[index]);
}

} // namespace

GLuint callCreateProgram() {
    return entry<GLuint(APIENTRY*)()>(EntryCreateProgram)();
}

GLuint callCreateShader(GLenum type) {
    return entry<GLuint(APIENTRY*)(GLenum)>(EntryCreateShader)(type);
}

void callShaderSource(GLuint shader, const char* source) {
    using Fn = void(APIENTRY*)(GLuint, GLsizei, const char* const*, const GLint*);
    entry<Fn>(EntryShaderSource)(shader, 1, &source, nullptr);
}

void callCompileShader(GLuint shader) {
    entry<void(APIENTRY*)(GLuint)>(EntryCompileShader)(shader);
}

void callAttachShader(GLuint program, GLuint shader) {
    entry<void(APIENTRY*)(GLuint, GLuint)>(EntryAttachShader)(program, shader);
}

void callLinkProgram(GLuint program) {
    entry<void(APIENTRY*)(GLuint)>(EntryLinkProgram)(program);
}

void callUseProgram(GLuint program) {
    entry<void(APIENTRY*)(GLuint)>(EntryUseProgram)(program);
}

GLint callGetUniformLocation(GLuint program, const char* name) {
    using Fn = GLint(APIENTRY*)(GLuint, const char*);
    return entry<Fn>(EntryGetUniformLocation)(program, name);
}

void callUniform2f(GLint location, GLfloat x, GLfloat y) {
    entry<void(APIENTRY*)(GLint, GLfloat, GLfloat)>(EntryUniform2f)(location, x, y);
}

void callUniform1f(GLint location, GLfloat x) {
    entry<void(APIENTRY*)(GLint, GLfloat)>(EntryUniform1f)(location, x);
}

void callActiveTexture(GLenum unit) {
    entry<void(APIENTRY*)(GLenum)>(EntryActiveTexture)(unit);
}
