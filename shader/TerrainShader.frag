#version 150
// Terrain: the ground lit by the two irradiance textures, the key light's (soft-shadowed) and
// the sky's, seen through the haze worked out per vertex.
uniform sampler2D keyLightSampler;
uniform sampler2D envLightSampler;
in vec2 uv;
in vec3 albedo;
in vec3 haze;
in float transmittance;
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
    vec3 radiance = albedo / PI * irradiance * transmittance + haze;
    color = vec4(displayColor(radiance), 1.0);
}
