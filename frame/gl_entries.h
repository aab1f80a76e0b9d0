// The 13 OpenGL 2.0 entry points fetched by name at start-up, in table order.
#pragma once
#include "frame/gl.h"

enum GlEntry : int {
    EntryCreateProgram,
    EntryCreateShader,
    EntryShaderSource,
    EntryCompileShader,
    EntryAttachShader,
    EntryLinkProgram,
    EntryUseProgram,
    EntryGetUniformLocation,
    EntryUniform4fv,
    EntryUniform1iv,
    EntryUniform2f,
    EntryUniform1f,
    EntryActiveTexture,
    GlEntryCount
};

using GlProc = void (*)();

struct GlEntryTable {
    GlProc entries[GlEntryCount];
};

extern const char* const glEntryNames[GlEntryCount];

// Typed calls through the table (intro.glEntries).
GLuint callCreateProgram();
GLuint callCreateShader(GLenum type);
void callShaderSource(GLuint shader, const char* source);
void callCompileShader(GLuint shader);
void callAttachShader(GLuint program, GLuint shader);
void callLinkProgram(GLuint program);
void callUseProgram(GLuint program);
GLint callGetUniformLocation(GLuint program, const char* name);
void callUniform2f(GLint location, GLfloat x, GLfloat y);
void callUniform1f(GLint location, GLfloat x);
void callActiveTexture(GLenum unit);
