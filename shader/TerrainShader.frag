#version 150
// Terrain: a landscape material chosen by height and slope, lit by the two irradiance textures
// (the key light's, soft-shadowed, and the sky's), with aerial haze towards the sky's colour.
uniform sampler2D keyLightSampler;
uniform sampler2D envLightSampler;
uniform sampler2DArray heightData;
uniform mat4 viewMatrix;
in vec2 uv;
in vec3 worldPosition;
out vec4 color;

const float PI = 3.14159265;
const float TEXEL = TERRAIN_SIZE / HEIGHT_TEXELS; // world units per height texel
// Both textures hold irradiance; the key light is a disc of unit radiance, the sky is in the
// same units. The key is raised a little over the sky so the relief reads.
const float KEY_WEIGHT = 1.3;
const float ENV_WEIGHT = 1.0;
const float HAZE_DENSITY = 0.035; // per world unit

float heightAt(vec2 p)
{
    return textureLod(heightData, vec3(p, 0.0), 0.0).r * HEIGHT_SCALE;
}

float hash(vec2 p)
{
    return fract(sin(dot(p, vec2(127.1, 311.7))) * 43758.5453);
}

float valueNoise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    f = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash(i), hash(i + vec2(1.0, 0.0)), f.x),
               mix(hash(i + vec2(0.0, 1.0)), hash(i + vec2(1.0, 1.0)), f.x), f.y);
}

vec3 landscapeAlbedo(float height01, float slope, vec2 ground)
{
    float grain = valueNoise(ground * 9.0) * 0.6 + valueNoise(ground * 37.0) * 0.4;
    float patches = valueNoise(ground * 2.3) * 0.7 + valueNoise(ground * 5.1) * 0.3;

    vec3 meadow = mix(vec3(0.05, 0.09, 0.022), vec3(0.11, 0.13, 0.04), patches);
    vec3 heath = mix(vec3(0.14, 0.115, 0.06), vec3(0.10, 0.095, 0.05), grain);
    vec3 rock = mix(vec3(0.17, 0.135, 0.10), vec3(0.29, 0.24, 0.18), grain);
    vec3 snow = vec3(0.78, 0.80, 0.85);

    // Grass thins out with height, rock shows where the ground is steep, snow settles on the
    // high ground that is flat enough to hold it.
    vec3 albedo = mix(meadow, heath, smoothstep(0.35, 0.65, height01 + 0.2 * (patches - 0.5)));
    albedo = mix(albedo, rock, smoothstep(0.14, 0.32, slope + 0.1 * (grain - 0.5)));
    float snowLine = 0.72 + 0.1 * (patches - 0.5);
    float snowCover = smoothstep(snowLine - 0.04, snowLine + 0.04, height01) *
                      (1.0 - smoothstep(0.25, 0.45, slope + 0.1 * (grain - 0.5)));
    albedo = mix(albedo, snow, snowCover);
    return albedo * (0.85 + 0.3 * grain);
}

void main()
{
    vec2 d = vec2(1.0 / HEIGHT_TEXELS, 0.0);
    vec3 n = normalize(vec3(heightAt(uv - d.xy) - heightAt(uv + d.xy), 2.0 * TEXEL,
                            heightAt(uv - d.yx) - heightAt(uv + d.yx)));
    float slope = 1.0 - n.y;
    vec3 albedo = landscapeAlbedo(worldPosition.y / HEIGHT_SCALE, slope, worldPosition.xz);

    vec3 irradiance = KEY_WEIGHT * texture(keyLightSampler, uv).rgb +
                      ENV_WEIGHT * texture(envLightSampler, uv).rgb;
    vec3 radiance = albedo / PI * irradiance;

    // The sky's mean irradiance over the terrain, over pi, is the mean radiance of the sky:
    // the colour distant ground fades into.
    vec3 skyRadiance = textureLod(envLightSampler, vec2(0.5), 16.0).rgb / PI;
    vec3 eye = -transpose(mat3(viewMatrix)) * viewMatrix[3].xyz;
    float haze = 1.0 - exp(-HAZE_DENSITY * distance(eye, worldPosition));
    radiance = mix(radiance, skyRadiance * vec3(0.85, 0.92, 1.05), haze);

    color = vec4(displayColor(radiance), 1.0);
}
