#version 150
// Product model: normal-mapped Blinn-Phong under the point light, a soft studio fill from above,
// a studio reflection for the specular materials and a faint rim, so the side away from the
// light still reads. Nothing here divides by a length that can be zero.
uniform sampler2D DiffuseColorMap; // sRGB code values, sampled as stored
uniform sampler2D NormalMap;       // tangent-space normal, (n + 1) / 2
// GREY_COLOUR_IN_NORMAL_ALPHA, defined for a material whose colour map is grey: the colour rides
// in the normal map's alpha, one fetch a pixel instead of two (on a software rasteriser a tenth
// of a model frame).
uniform vec4 LightFrontAmbient;
uniform vec4 LightFrontDiffuse;
uniform vec4 LightFrontSpecular;
uniform float MaterialFrontShininess; // the library's Ns / 1000
uniform vec4 SceneColor;
in vec2 uv;
in vec3 eyePosition;
in vec3 eyeNormal;
in vec4 eyeTangent;
flat in vec3 eyeLight; // the same at every vertex
flat in vec3 eyeUp; // unit length
out vec4 color;

const vec3 LIGHT_INTENSITY = vec3(1.0, 0.95, 0.88) * 30.0; // radiant intensity of the point
const vec3 STUDIO_TOP = vec3(1.1, 1.12, 1.15); // the soft light above the table
const vec3 STUDIO_FLOOR = vec3(0.03, 0.03, 0.035);
const float FILL = 1.0; // scales SceneColor x ambient
const float RIM = 0.25;
const float WRAP = 0.25; // the key behaves like a small soft box: its terminator is soft

vec3 safeNormalize(vec3 v, vec3 fallback)
{
    float lengthSquared = dot(v, v);
    return lengthSquared > 1e-16 ? v * inversesqrt(lengthSquared) : fallback;
}

// What a polished surface mirrors: a dark floor, a dim room, a bright strip light above; the
// strip's edges widen by `blur` on rough or minified surfaces.
vec3 studioReflection(float elevation, float blur)
{
    float strip = smoothstep(0.3 - blur, 0.45 + blur, elevation) *
                  (1.0 - smoothstep(0.75 - blur, 0.9 + blur, elevation));
    vec3 room = mix(STUDIO_FLOOR, STUDIO_TOP * 0.08, smoothstep(-0.2, 0.2, elevation));
    return room + STUDIO_TOP * 0.6 * strip;
}

// The vertex normal bent by the normal map's texel; without a usable tangent frame the normal
// map is left out. mapLength: the length of the filtered map normal, below 1 where a minified
// map averages bumps that no longer show as pixels.
vec3 shadingNormal(vec3 n, vec3 texel, out float mapLength)
{
    vec3 m = texel * 2.0 - 1.0;
    mapLength = clamp(length(m), 1e-3, 1.0);
    vec3 t = eyeTangent.xyz - n * dot(n, eyeTangent.xyz);
    if (dot(t, t) < 1e-12) {
        mapLength = 1.0;
        return n;
    }
    t = normalize(t);
    // The importer's handedness is -1 where N x T runs along +v.
    vec3 b = cross(n, t) * (eyeTangent.w < 0.0 ? 1.0 : -1.0);
    return safeNormalize(t * m.x + b * m.y + n * m.z, n);
}

// The Blinn-Phong exponent widened by what the pixel averages, so highlights on minified bumps
// and on curvature finer than a pixel spread and dim instead of sparkling: Toksvig's factor from
// the filtered normal's length, then the spread of the normal across the pixel (its screen
// derivatives) added to the lobe's variance, in the roughness form 2 / (exponent + 2).
float filteredExponent(float exponent, float mapLength, vec3 n)
{
    float toksvig = mapLength / (mapLength + exponent * (1.0 - mapLength));
    float variance = 2.0 / (toksvig * exponent + 2.0);
    vec3 dx = dFdx(n), dy = dFdy(n);
    variance += min(0.5 * (dot(dx, dx) + dot(dy, dy)), 0.18);
    return max(2.0 / min(variance, 1.0) - 2.0, 1.0);
}

void main()
{
    vec3 v = safeNormalize(-eyePosition, vec3(0.0, 0.0, 1.0));
    vec3 n = safeNormalize(eyeNormal, v);
    vec4 normalTexel = texture(NormalMap, uv);
    float mapLength;
    n = shadingNormal(n, normalTexel.xyz, mapLength);

#ifdef GREY_COLOUR_IN_NORMAL_ALPHA
    vec3 colourCode = vec3(normalTexel.a);
#else
    vec3 colourCode = texture(DiffuseColorMap, uv).rgb;
#endif
    vec3 albedo = decodeSrgb(colourCode) * LightFrontDiffuse.rgb;
    vec3 specularColor = LightFrontSpecular.rgb;
    float exponent =
        filteredExponent(clamp(MaterialFrontShininess * 1000.0, 1.0, 2048.0), mapLength, n);

    vec3 toLight = eyeLight - eyePosition;
    float distanceSquared = max(dot(toLight, toLight), 0.01);
    vec3 l = toLight * inversesqrt(distanceSquared);
    vec3 h = safeNormalize(l + v, n);
    float nDotL = max(dot(n, l), 0.0);
    float nDotV = max(dot(n, v), 0.0);
    vec3 irradiance = LIGHT_INTENSITY / distanceSquared;
    float diffuseCosine = max((dot(n, l) + WRAP) / (1.0 + WRAP), 0.0);

    // Schlick's Fresnel on the material's specular colour; normalised Blinn-Phong lobe. Fifth and
    // fourth powers as products: a general power costs a software rasteriser far more.
    float hv = 1.0 - max(dot(h, v), 0.0), hv2 = hv * hv;
    float nv = 1.0 - nDotV, nv2 = nv * nv, nv4 = nv2 * nv2;
    float specular = step(1e-4, dot(specularColor, vec3(1.0)));
    vec3 fresnel = (specularColor + (1.0 - specularColor) * (hv2 * hv2 * hv)) * specular;
    float lobe = (exponent + 8.0) / (8.0 * PI) * pow(max(dot(n, h), 0.0), exponent);
    vec3 direct = (albedo / PI * diffuseCosine + fresnel * lobe * nDotL) * irradiance;

    // Studio: a bright overhead soft box, a dark floor; seen diffusely and in reflection.
    float facingUp = dot(n, eyeUp) * 0.5 + 0.5;
    vec3 fill = FILL * SceneColor.rgb * LightFrontAmbient.rgb * albedo * (0.35 + 0.65 * facingUp);
    vec3 r = reflect(-v, n);
    vec3 reflection = studioReflection(dot(r, eyeUp), inversesqrt(exponent)) *
                      (specularColor + (1.0 - specularColor) * (nv4 * nv)) * specular;
    vec3 rim = RIM * nv4 * (albedo + specularColor) * STUDIO_TOP * facingUp;

    // Opaque: where the model's box is laid over the stage, alpha is the pixel's coverage.
    color = vec4(displayColor(direct + fill + reflection + rim), 1.0);
}
