// Preloaded into the program by the driver-check tests (LD_PRELOAD): before every draw it
// compares the textures attached to the bound draw framebuffer with the textures on the units
// the current program's samplers read. A texture image that is both sampled (at a level its
// filter can reach) and drawn into is a rendering feedback loop, undefined by GL's rules, unless
// a texture barrier came since the last draw and the attachment is one layer of an array (the
// pass then reads other layers, written by earlier draws). A sampler whose unit holds no texture,
// or one that is incomplete for its filter (a missing mipmap level, a filtered integer format),
// reads black on a strict driver. Each finding is reported on standard error once per program
// and texture; the totals come at exit:
//   "draw check: D draws, B with a barrier between layers, L feedback loops, I incomplete samplers"

#include <GL/glew.h>
#include <GL/glx.h>

#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using ProcAddress = void (*)();
using GetProcAddress = ProcAddress (*)(const GLubyte*);

GetProcAddress realGetProcAddress() {
    static const auto real =
        reinterpret_cast<GetProcAddress>(dlsym(RTLD_NEXT, "glXGetProcAddressARB"));
    return real;
}

template <typename F> F entry(const char* name) {
    GetProcAddress get = realGetProcAddress();
    return get ? reinterpret_cast<F>(get(reinterpret_cast<const GLubyte*>(name))) : nullptr;
}

struct Totals {
    std::mutex mutex;
    long draws = 0, barrierSeparated = 0, loops = 0, incomplete = 0;
    bool barrierSinceDraw = false;
    std::set<std::tuple<GLint, GLint, GLint, GLint>> reported; // program, texture, level, layer
    ~Totals() {
        if (draws > 0)
            std::fprintf(stderr,
                         "draw check: %ld draws, %ld with a barrier between layers, %ld feedback "
                         "loops, %ld incomplete samplers\n",
                         draws, barrierSeparated, loops, incomplete);
    }
} totals;

// The GL entry points the check itself calls, resolved once a context exists.
struct Queries {
    PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVPROC attachment = nullptr;
    PFNGLGETPROGRAMIVPROC programiv = nullptr;
    PFNGLGETACTIVEUNIFORMPROC activeUniform = nullptr;
    PFNGLGETUNIFORMLOCATIONPROC uniformLocation = nullptr;
    PFNGLGETUNIFORMIVPROC uniformiv = nullptr;
    PFNGLACTIVETEXTUREPROC activeTexture = nullptr;
    bool load() {
        if (!attachment) {
            attachment = entry<PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVPROC>(
                "glGetFramebufferAttachmentParameteriv");
            programiv = entry<PFNGLGETPROGRAMIVPROC>("glGetProgramiv");
            activeUniform = entry<PFNGLGETACTIVEUNIFORMPROC>("glGetActiveUniform");
            uniformLocation = entry<PFNGLGETUNIFORMLOCATIONPROC>("glGetUniformLocation");
            uniformiv = entry<PFNGLGETUNIFORMIVPROC>("glGetUniformiv");
            activeTexture = entry<PFNGLACTIVETEXTUREPROC>("glActiveTexture");
        }
        return attachment && programiv && activeUniform && uniformLocation && uniformiv &&
               activeTexture;
    }
} gl;

struct Attached {
    GLint texture, level, layer;
    bool arrayLayer; // one layer of a layered texture, not the whole of it
};

// The texture binding a sampler type reads; 0 for what is no sampler.
GLenum bindingOf(GLenum type) {
    switch (type) {
    case GL_SAMPLER_1D:
    case GL_SAMPLER_1D_SHADOW:
    case GL_INT_SAMPLER_1D:
    case GL_UNSIGNED_INT_SAMPLER_1D:
        return GL_TEXTURE_BINDING_1D;
    case GL_SAMPLER_2D:
    case GL_SAMPLER_2D_SHADOW:
    case GL_INT_SAMPLER_2D:
    case GL_UNSIGNED_INT_SAMPLER_2D:
        return GL_TEXTURE_BINDING_2D;
    case GL_SAMPLER_3D:
    case GL_INT_SAMPLER_3D:
    case GL_UNSIGNED_INT_SAMPLER_3D:
        return GL_TEXTURE_BINDING_3D;
    case GL_SAMPLER_CUBE:
    case GL_SAMPLER_CUBE_SHADOW:
    case GL_INT_SAMPLER_CUBE:
    case GL_UNSIGNED_INT_SAMPLER_CUBE:
        return GL_TEXTURE_BINDING_CUBE_MAP;
    case GL_SAMPLER_1D_ARRAY:
    case GL_SAMPLER_1D_ARRAY_SHADOW:
    case GL_INT_SAMPLER_1D_ARRAY:
    case GL_UNSIGNED_INT_SAMPLER_1D_ARRAY:
        return GL_TEXTURE_BINDING_1D_ARRAY;
    case GL_SAMPLER_2D_ARRAY:
    case GL_SAMPLER_2D_ARRAY_SHADOW:
    case GL_INT_SAMPLER_2D_ARRAY:
    case GL_UNSIGNED_INT_SAMPLER_2D_ARRAY:
        return GL_TEXTURE_BINDING_2D_ARRAY;
    case GL_SAMPLER_2D_RECT:
    case GL_SAMPLER_2D_RECT_SHADOW:
    case GL_INT_SAMPLER_2D_RECT:
    case GL_UNSIGNED_INT_SAMPLER_2D_RECT:
        return GL_TEXTURE_BINDING_RECTANGLE;
    case GL_SAMPLER_2D_MULTISAMPLE:
    case GL_INT_SAMPLER_2D_MULTISAMPLE:
    case GL_UNSIGNED_INT_SAMPLER_2D_MULTISAMPLE:
        return GL_TEXTURE_BINDING_2D_MULTISAMPLE;
    case GL_SAMPLER_2D_MULTISAMPLE_ARRAY:
    case GL_INT_SAMPLER_2D_MULTISAMPLE_ARRAY:
    case GL_UNSIGNED_INT_SAMPLER_2D_MULTISAMPLE_ARRAY:
        return GL_TEXTURE_BINDING_2D_MULTISAMPLE_ARRAY;
    default:
        return 0;
    }
}

GLenum targetOf(GLenum binding) {
    switch (binding) {
    case GL_TEXTURE_BINDING_1D:
        return GL_TEXTURE_1D;
    case GL_TEXTURE_BINDING_2D:
        return GL_TEXTURE_2D;
    case GL_TEXTURE_BINDING_3D:
        return GL_TEXTURE_3D;
    case GL_TEXTURE_BINDING_CUBE_MAP:
        return GL_TEXTURE_CUBE_MAP;
    case GL_TEXTURE_BINDING_1D_ARRAY:
        return GL_TEXTURE_1D_ARRAY;
    case GL_TEXTURE_BINDING_2D_ARRAY:
        return GL_TEXTURE_2D_ARRAY;
    case GL_TEXTURE_BINDING_RECTANGLE:
        return GL_TEXTURE_RECTANGLE;
    case GL_TEXTURE_BINDING_2D_MULTISAMPLE:
        return GL_TEXTURE_2D_MULTISAMPLE;
    default:
        return GL_TEXTURE_2D_MULTISAMPLE_ARRAY;
    }
}

std::vector<Attached> drawAttachments() {
    std::vector<Attached> attached;
    GLint framebuffer = 0, colors = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    if (framebuffer == 0)
        return attached; // the window's own: no texture in it
    glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS, &colors);
    std::vector<GLenum> points = {GL_DEPTH_ATTACHMENT, GL_STENCIL_ATTACHMENT};
    for (GLint c = 0; c < colors; ++c)
        points.push_back(GL_COLOR_ATTACHMENT0 + c);
    for (GLenum point : points) {
        GLint type = GL_NONE;
        gl.attachment(GL_DRAW_FRAMEBUFFER, point, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        if (type != GL_TEXTURE)
            continue;
        Attached a{};
        GLint layered = GL_FALSE;
        gl.attachment(GL_DRAW_FRAMEBUFFER, point, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME,
                      &a.texture);
        gl.attachment(GL_DRAW_FRAMEBUFFER, point, GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL,
                      &a.level);
        gl.attachment(GL_DRAW_FRAMEBUFFER, point, GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LAYER,
                      &a.layer);
        gl.attachment(GL_DRAW_FRAMEBUFFER, point, GL_FRAMEBUFFER_ATTACHMENT_LAYERED, &layered);
        GLint cubeFace = 0;
        gl.attachment(GL_DRAW_FRAMEBUFFER, point, GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_CUBE_MAP_FACE,
                      &cubeFace);
        // A layer of an array (or 3D) texture attached alone; a 2D texture reports layer 0.
        a.arrayLayer = !layered && cubeFace == 0 && a.layer >= 0;
        attached.push_back(a);
    }
    return attached;
}

// Whether sampling `target` (bound, active unit) can reach `level` with its filters.
bool reachesLevel(GLenum target, GLint level) {
    GLint base = 0, max = 1000, minFilter = GL_NEAREST_MIPMAP_LINEAR;
    glGetTexParameteriv(target, GL_TEXTURE_BASE_LEVEL, &base);
    glGetTexParameteriv(target, GL_TEXTURE_MAX_LEVEL, &max);
    if (target != GL_TEXTURE_2D_MULTISAMPLE && target != GL_TEXTURE_2D_MULTISAMPLE_ARRAY)
        glGetTexParameteriv(target, GL_TEXTURE_MIN_FILTER, &minFilter);
    if (minFilter == GL_NEAREST || minFilter == GL_LINEAR)
        return level == base;
    return level >= base && level <= max;
}

// Why the texture bound on the active unit for `target` samples black, or nullptr when it does
// not: nothing bound, no base level, a mipmap filter without the whole chain, or a filtered
// integer format.
const char* incompleteness(GLenum target, GLint texture) {
    if (texture == 0)
        return "no texture on its unit";
    if (target == GL_TEXTURE_2D_MULTISAMPLE || target == GL_TEXTURE_2D_MULTISAMPLE_ARRAY)
        return nullptr;
    const GLenum image = target == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X : target;
    GLint base = 0, max = 1000, minFilter = 0, magFilter = 0, width = 0, height = 0, depth = 0,
          format = 0, redType = 0;
    glGetTexParameteriv(target, GL_TEXTURE_BASE_LEVEL, &base);
    glGetTexParameteriv(target, GL_TEXTURE_MAX_LEVEL, &max);
    glGetTexParameteriv(target, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(target, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexLevelParameteriv(image, base, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(image, base, GL_TEXTURE_HEIGHT, &height);
    glGetTexLevelParameteriv(image, base, GL_TEXTURE_DEPTH, &depth);
    glGetTexLevelParameteriv(image, base, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(image, base, GL_TEXTURE_RED_TYPE, &redType);
    if (width == 0)
        return "no image at its base level";
    const bool mipmapped = minFilter != GL_NEAREST && minFilter != GL_LINEAR;
    if ((redType == GL_INT || redType == GL_UNSIGNED_INT) &&
        (magFilter != GL_NEAREST ||
         (minFilter != GL_NEAREST && minFilter != GL_NEAREST_MIPMAP_NEAREST)))
        return "an integer format with a linear filter";
    if (!mipmapped)
        return nullptr;
    // Arrays keep their layer count; 3D textures halve their depth too.
    const bool halvesDepth = target == GL_TEXTURE_3D;
    for (GLint level = base + 1;
         level <= max && (width > 1 || height > 1 || (halvesDepth && depth > 1)); ++level) {
        width = width > 1 ? width / 2 : 1;
        height = target == GL_TEXTURE_1D || target == GL_TEXTURE_1D_ARRAY || height <= 1
                     ? height
                     : height / 2;
        depth = halvesDepth && depth > 1 ? depth / 2 : depth;
        GLint w = 0, h = 0, d = 0, f = 0;
        glGetTexLevelParameteriv(image, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(image, level, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(image, level, GL_TEXTURE_DEPTH, &d);
        glGetTexLevelParameteriv(image, level, GL_TEXTURE_INTERNAL_FORMAT, &f);
        if (w != width || h != height || d != depth || f != format)
            return "a mipmap filter without the whole mipmap chain";
    }
    return nullptr;
}

void checkDraw(const char* call) {
    const std::lock_guard<std::mutex> lock(totals.mutex);
    ++totals.draws;
    const bool barrier = totals.barrierSinceDraw;
    totals.barrierSinceDraw = false;
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    if (program == 0 || !gl.load())
        return;
    const std::vector<Attached> attached = drawAttachments();

    GLint uniforms = 0, activeUnit = GL_TEXTURE0;
    gl.programiv(program, GL_ACTIVE_UNIFORMS, &uniforms);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    bool separated = false;
    for (GLint u = 0; u < uniforms; ++u) {
        GLchar name[256];
        GLint size = 0;
        GLenum type = 0;
        gl.activeUniform(program, u, sizeof name, nullptr, &size, &type, name);
        const GLenum binding = bindingOf(type);
        if (binding == 0)
            continue;
        std::string base = name;
        if (base.size() > 3 && base.compare(base.size() - 3, 3, "[0]") == 0)
            base.resize(base.size() - 3);
        for (GLint element = 0; element < size; ++element) {
            const std::string elementName =
                size > 1 ? base + "[" + std::to_string(element) + "]" : base;
            const GLint location = gl.uniformLocation(program, elementName.c_str());
            if (location < 0)
                continue;
            GLint unit = 0, texture = 0;
            gl.uniformiv(program, location, &unit);
            gl.activeTexture(GL_TEXTURE0 + unit);
            glGetIntegerv(binding, &texture);
            if (const char* why = incompleteness(targetOf(binding), texture)) {
                ++totals.incomplete;
                if (totals.reported.insert({program, -unit - 1, texture, 0}).second)
                    std::fprintf(stderr,
                                 "incomplete sampler: %s with program %d reads sampler '%s' "
                                 "(unit %d, texture %d): %s\n",
                                 call, program, elementName.c_str(), unit, texture, why);
            }
            for (const Attached& a : attached) {
                if (texture == 0 || texture != a.texture ||
                    !reachesLevel(targetOf(binding), a.level))
                    continue;
                if (barrier && a.arrayLayer) {
                    separated = true;
                    continue;
                }
                ++totals.loops;
                if (totals.reported.insert({program, a.texture, a.level, a.layer}).second)
                    std::fprintf(stderr,
                                 "feedback loop: %s with program %d samples texture %d (sampler "
                                 "'%s', unit %d) at level %d while drawing into it (layer %d)\n",
                                 call, program, texture, elementName.c_str(), unit, a.level,
                                 a.layer);
            }
        }
    }
    gl.activeTexture(activeUnit);
    totals.barrierSeparated += separated;
}

template <typename F> F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// Draw calls that GLEW hands out, and the barriers, each wrapped once its real entry is known.
PFNGLDRAWRANGEELEMENTSPROC realDrawRangeElements = nullptr;
PFNGLDRAWARRAYSINSTANCEDPROC realDrawArraysInstanced = nullptr;
PFNGLDRAWELEMENTSINSTANCEDPROC realDrawElementsInstanced = nullptr;
PFNGLDRAWELEMENTSBASEVERTEXPROC realDrawElementsBaseVertex = nullptr;
PFNGLTEXTUREBARRIERPROC realTextureBarrier = nullptr;
PFNGLTEXTUREBARRIERNVPROC realTextureBarrierNV = nullptr;

void GLAPIENTRY drawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type,
                                  const void* indices) {
    checkDraw("glDrawRangeElements");
    realDrawRangeElements(mode, start, end, count, type, indices);
}
void GLAPIENTRY drawArraysInstanced(GLenum mode, GLint first, GLsizei count, GLsizei instances) {
    checkDraw("glDrawArraysInstanced");
    realDrawArraysInstanced(mode, first, count, instances);
}
void GLAPIENTRY drawElementsInstanced(GLenum mode, GLsizei count, GLenum type, const void* indices,
                                      GLsizei instances) {
    checkDraw("glDrawElementsInstanced");
    realDrawElementsInstanced(mode, count, type, indices, instances);
}
void GLAPIENTRY drawElementsBaseVertex(GLenum mode, GLsizei count, GLenum type, const void* indices,
                                       GLint baseVertex) {
    checkDraw("glDrawElementsBaseVertex");
    realDrawElementsBaseVertex(mode, count, type, indices, baseVertex);
}
void GLAPIENTRY textureBarrier() {
    {
        const std::lock_guard<std::mutex> lock(totals.mutex);
        totals.barrierSinceDraw = true;
    }
    realTextureBarrier();
}
void GLAPIENTRY textureBarrierNV() {
    {
        const std::lock_guard<std::mutex> lock(totals.mutex);
        totals.barrierSinceDraw = true;
    }
    realTextureBarrierNV();
}

// The program's children (its encoder) are no GL programs: they do not inherit the check.
__attribute__((constructor)) void keepFromChildren() {
    Dl_info self{};
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !dladdr(reinterpret_cast<void*>(&keepFromChildren), &self) || !self.dli_fname)
        return;
    const std::string list = preload;
    std::string kept;
    for (std::size_t begin = 0; begin <= list.size();) {
        std::size_t end = list.find_first_of(": ", begin);
        if (end == std::string::npos)
            end = list.size();
        const std::string item = list.substr(begin, end - begin);
        if (!item.empty() && item != self.dli_fname)
            kept += (kept.empty() ? "" : ":") + item;
        begin = end + 1;
    }
    if (kept.empty())
        unsetenv("LD_PRELOAD");
    else
        setenv("LD_PRELOAD", kept.c_str(), 1);
}

template <typename F> ProcAddress wrap(F& real, ProcAddress found, F wrapper) {
    real = reinterpret_cast<F>(found);
    return found ? reinterpret_cast<ProcAddress>(wrapper) : nullptr;
}

} // namespace

extern "C" {

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    static const auto real = next<void (*)(GLenum, GLint, GLsizei)>("glDrawArrays");
    checkDraw("glDrawArrays");
    real(mode, first, count);
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    static const auto real = next<void (*)(GLenum, GLsizei, GLenum, const void*)>("glDrawElements");
    checkDraw("glDrawElements");
    real(mode, count, type, indices);
}

ProcAddress glXGetProcAddressARB(const GLubyte* name) {
    GetProcAddress get = realGetProcAddress();
    const ProcAddress found = get ? get(name) : nullptr;
    const char* n = reinterpret_cast<const char*>(name);
    if (std::strcmp(n, "glDrawRangeElements") == 0)
        return wrap(realDrawRangeElements, found, &drawRangeElements);
    if (std::strcmp(n, "glDrawArraysInstanced") == 0)
        return wrap(realDrawArraysInstanced, found, &drawArraysInstanced);
    if (std::strcmp(n, "glDrawElementsInstanced") == 0)
        return wrap(realDrawElementsInstanced, found, &drawElementsInstanced);
    if (std::strcmp(n, "glDrawElementsBaseVertex") == 0)
        return wrap(realDrawElementsBaseVertex, found, &drawElementsBaseVertex);
    if (std::strcmp(n, "glTextureBarrier") == 0)
        return wrap(realTextureBarrier, found, &textureBarrier);
    if (std::strcmp(n, "glTextureBarrierNV") == 0)
        return wrap(realTextureBarrierNV, found, &textureBarrierNV);
    return found;
}

ProcAddress glXGetProcAddress(const GLubyte* name) {
    return glXGetProcAddressARB(name);
}

} // extern "C"
