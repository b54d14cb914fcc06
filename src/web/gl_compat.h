#pragma once
// Mends, for the web build alone, two calls the scene makes that the browser's OpenGL 1.x
// emulation gets wrong; compiled into each scene file by the build (-include), so that the
// scene's own sources stay as they are on the desktop.
//
// - glNormal3f outside glBegin/glEnd throws in the emulation. The scene never lights anything,
//   so a normal given there changes no pixel: it is dropped.
// - glDrawArrays(GL_QUADS, first, count) with first > 0 ignores `first` when vertices and
//   texture coordinates come from separate client arrays: every cube face would draw face 0
//   and the tunnel would vanish. The arrays are handed over again from element `first` on and
//   drawn from 0, then put back.

#include <GL/gl.h>

#include <cstddef>  // std::size_t

namespace gl_compat {
// The last pointers given, as the emulation took them (it keeps no way to ask for them back).
struct ClientArray {
    GLint size;
    GLenum type;
    GLsizei stride;
    const GLvoid* pointer;
};
inline ClientArray vertices{};
inline ClientArray tex_coords{};

inline std::size_t element_bytes(const ClientArray& array)
{
    if (array.stride != 0) {
        return static_cast<std::size_t>(array.stride);
    }
    const std::size_t component = array.type == GL_FLOAT ? sizeof(GLfloat) : sizeof(GLshort);
    return component * static_cast<std::size_t>(array.size);
}

inline const GLvoid* element(const ClientArray& array, GLint first)
{
    return static_cast<const unsigned char*>(array.pointer) +
           element_bytes(array) * static_cast<std::size_t>(first);
}

inline void vertex_pointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    vertices = ClientArray{size, type, stride, pointer};
    glVertexPointer(size, type, stride, pointer);
}

inline void tex_coord_pointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    tex_coords = ClientArray{size, type, stride, pointer};
    glTexCoordPointer(size, type, stride, pointer);
}

inline void draw_arrays(GLenum mode, GLint first, GLsizei count)
{
    if (mode != GL_QUADS || first == 0) {
        glDrawArrays(mode, first, count);
        return;
    }
    glVertexPointer(vertices.size, vertices.type, vertices.stride, element(vertices, first));
    glTexCoordPointer(tex_coords.size, tex_coords.type, tex_coords.stride,
                      element(tex_coords, first));
    glDrawArrays(mode, 0, count);
    glVertexPointer(vertices.size, vertices.type, vertices.stride, vertices.pointer);
    glTexCoordPointer(tex_coords.size, tex_coords.type, tex_coords.stride, tex_coords.pointer);
}

inline void stray_normal(GLfloat, GLfloat, GLfloat) {}
}  // namespace gl_compat

#define glVertexPointer gl_compat::vertex_pointer
#define glTexCoordPointer gl_compat::tex_coord_pointer
#define glDrawArrays gl_compat::draw_arrays
#define glNormal3f gl_compat::stray_normal
