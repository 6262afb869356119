#version 150
// Terrain: the ground lit by the two irradiance textures, the key light's (soft-shadowed) and
// the sky's, seen through the haze worked out per vertex.
uniform sampler2D keyLightSampler;
uniform sampler2D envLightSampler;
in vec2 uv;
in vec3 albedo;
in vec3 haze;
in float transmittance;
in vec2 place;
out vec4 color;

const float PI = 3.14159265;
// Both textures hold irradiance in the same units: the key light is a disc of unit radiance,
// the sky's radiance is of that order. The key is raised a little so the relief reads.
const float KEY_WEIGHT = 1.6;
const float ENV_WEIGHT = 0.8;

void main()
{
    vec3 irradiance = KEY_WEIGHT * texture(keyLightSampler, uv).rgb +
                      ENV_WEIGHT * texture(envLightSampler, uv).rgb;
    // Grain finer than the grid's vertices, so the ground near the camera is not a smooth wash;
    // each octave fades out where it would be finer than a pixel and shimmer.
    float grain = 0.0;
    float freq = 37.0;
    for (int octave = 0; octave < 2; ++octave, freq *= 3.0) {
        float fade = 1.0 - smoothstep(0.25, 0.7, length(fwidth(place * freq)));
        grain += 0.5 * fade * (groundNoise(place * freq) - 0.5);
    }
    vec3 ground = albedo * (1.0 + 0.45 * grain);
    vec3 radiance = ground / PI * irradiance * transmittance + haze;
    color = vec4(displayColor(radiance), 1.0);
}
