#version 150
// Terrain: the unitized grid (centred, extent 1, texture coordinates 0..1 along x and z) is laid
// on the terrain square [0, TERRAIN_SIZE]^2 and raised by height layer 0. The ground's material
// (by height and slope) and the aerial haze change slowly across the grid, so they are worked
// out here, per vertex; the light is looked up per fragment.
uniform mat4 projectionMatrix;
uniform mat4 viewMatrix;
uniform sampler2DArray heightData;
uniform sampler2D envLightSampler;
in vec3 Position;
in vec2 TexCoord;
out vec2 uv;
out vec3 albedo;
out vec3 haze; // the light the air adds on the way to the eye
out float transmittance;
out vec2 place; // world x, z

const float PI = 3.14159265;
const float TEXEL = TERRAIN_SIZE / HEIGHT_TEXELS; // world units per height texel
const float HAZE_DENSITY = 0.022;                 // per world unit

float heightAt(vec2 p)
{
    return textureLod(heightData, vec3(p, 0.0), 0.0).r * HEIGHT_SCALE;
}

// Grass thins out with height, rock shows where the ground is steep, snow settles on the high
// ground that is flat enough to hold it.
vec3 landscapeAlbedo(float height01, float slope, vec2 place)
{
    float grain = groundNoise(place * 9.0);
    float patches = groundNoise(place * 2.3) * 0.7 + groundNoise(place * 5.1) * 0.3;

    vec3 meadow = mix(vec3(0.04, 0.085, 0.015), vec3(0.10, 0.125, 0.03), patches);
    vec3 heath = mix(vec3(0.14, 0.115, 0.06), vec3(0.10, 0.095, 0.05), grain);
    vec3 rock = mix(vec3(0.17, 0.135, 0.10), vec3(0.29, 0.24, 0.18), grain);
    vec3 snow = vec3(0.52, 0.55, 0.60);

    vec3 ground = mix(meadow, heath, smoothstep(0.35, 0.65, height01 + 0.2 * (patches - 0.5)));
    ground = mix(ground, rock, smoothstep(0.14, 0.32, slope + 0.1 * (grain - 0.5)));
    float snowLine = 0.72 + 0.1 * (patches - 0.5);
    float snowCover = smoothstep(snowLine - 0.04, snowLine + 0.04, height01) *
                      (1.0 - smoothstep(0.25, 0.45, slope + 0.1 * (grain - 0.5)));
    return mix(ground, snow, snowCover) * (0.85 + 0.3 * grain);
}

void main()
{
    uv = TexCoord;
    float h = heightAt(TexCoord);
    vec3 world = vec3((Position.x + 0.5) * TERRAIN_SIZE, Position.y * TERRAIN_SIZE + h,
                      (Position.z + 0.5) * TERRAIN_SIZE);

    vec2 d = vec2(1.0 / HEIGHT_TEXELS, 0.0);
    vec3 n = normalize(vec3(heightAt(uv - d.xy) - heightAt(uv + d.xy), 2.0 * TEXEL,
                            heightAt(uv - d.yx) - heightAt(uv + d.yx)));
    place = world.xz;
    albedo = landscapeAlbedo(h / HEIGHT_SCALE, 1.0 - n.y, place);

    // Distant ground fades into the sky's mean radiance: its mean irradiance over the terrain
    // (the top of the mipmap chain) over pi.
    vec3 eye = -transpose(mat3(viewMatrix)) * viewMatrix[3].xyz;
    transmittance = exp(-HAZE_DENSITY * distance(eye, world));
    vec3 skyRadiance = textureLod(envLightSampler, vec2(0.5), 16.0).rgb / PI;
    haze = (1.0 - transmittance) * skyRadiance * vec3(0.85, 0.92, 1.05);

    gl_Position = projectionMatrix * viewMatrix * vec4(world, 1.0);
}
