#version 150
// Terrain: the ground's material, decided per fragment from the height (between the grid's
// vertices, linear like the surface itself) and the steepness (at the height field's full
// resolution) of the animated surface, lit by the key light (soft-shadowed) and the sky (through the open share of
// the sky the key-light pass found), seen through the air worked out per vertex.
uniform sampler2D keyLightSampler;  // rgb: key-light irradiance; a: open share of the sky
uniform sampler2D envLightSampler;  // rgb: sky irradiance with nothing in the way; a: 1 - n.y
uniform sampler2D groundNoiseSampler; // four octaves of tiling value noise, mipmapped
in vec2 uv;
in vec2 place;
in float height01;
in vec2 patches; // broad: colour, and where materials meet
in vec3 inscatter;
in float transmittance;
flat in float keyMean; // the key light's mean over the terrain
out vec4 color;

// Both textures hold irradiance in the same units: the key light is a disc of unit radiance, the
// sky's radiance is a fraction of it. The key carries the relief: it is raised a little.
const float KEY_WEIGHT = 1.5;
const float ENV_WEIGHT = 1.0;
// A disc of light 120 degrees across changes by a few tens of percent between a sunny slope and a
// shaded valley: printed as it is, the relief hardly reads. Its ratio to the terrain's mean (from
// the vertex stage) is raised to the power 2.5, as a photographer raises a print's contrast: the
// key times the ratio to the power 1.5, a square root where pow() would cost the software
// rasteriser several times as much.

// Grass thins out with height, rock shows where the ground is steep, snow settles on the high
// ground that is flat enough to hold it. The noise texture's mipmaps fade its detail out where
// it would be finer than a pixel, so nothing shimmers.
vec3 groundAlbedo(float steep)
{
    vec4 fine = texture(groundNoiseSampler, place * 4.0);
    float grain = fine.b * 0.6 + fine.a * 0.4;
    float colour = patches.x;
    float edges = patches.y; // breaks up the boundaries between materials

    vec3 meadow = mix(vec3(0.03, 0.065, 0.018), vec3(0.11, 0.12, 0.045), smoothstep(0.25, 0.75, colour));
    vec3 heath = mix(vec3(0.12, 0.095, 0.06), vec3(0.085, 0.075, 0.05), grain);
    vec3 rock = mix(vec3(0.11, 0.095, 0.08), vec3(0.21, 0.18, 0.145), grain);
    vec3 snow = vec3(0.6, 0.62, 0.66); // bright, with room above it for the light to model it

    vec3 ground = mix(meadow, heath, smoothstep(0.4, 0.55, height01 + 0.3 * (edges - 0.5)));
    float rocky = smoothstep(0.14, 0.19, steep + 0.1 * (edges - 0.5));
    ground = mix(ground, rock, rocky);
    float snowLine = 0.68 + 0.12 * (colour - 0.5);
    float snowCover = smoothstep(snowLine - 0.012, snowLine + 0.012, height01 + 0.03 * (grain - 0.5)) *
                      (1.0 - smoothstep(0.2, 0.26, steep + 0.08 * (edges - 0.5)));
    return mix(ground, snow, snowCover) * (0.75 + 0.5 * grain);
}

void main()
{
    // Both lights from their full-resolution level: a texel of these smooth fields seldom
    // covers less than a pixel, and where the ground is seen edge-on, along the brows of its
    // folds, a pixel's long thin footprint asks for a coarse level, which blurred the light into
    // dotted lines there. Choosing the level also cost the software rasteriser a millisecond.
    vec4 key = textureLod(keyLightSampler, uv, 0.0);
    vec4 env = textureLod(envLightSampler, uv, 0.0);
    float brightness = key.r / keyMean;
    vec3 keyLight = key.rgb * brightness * sqrt(brightness);
    vec3 irradiance = KEY_WEIGHT * keyLight + ENV_WEIGHT * key.a * key.a * env.rgb;
    vec3 radiance = groundAlbedo(env.a) / PI * irradiance * transmittance + inscatter;
    color = vec4(displayColor(radiance), 1.0);
}
