#version 150
// The HDR sky through the shared exposure and tone curve, with a faint dither so its long, soft
// gradients do not break into 8-bit bands.
uniform samplerCube cubeMapSampler;
in vec3 direction;
out vec4 color;

// Interleaved gradient noise: cheap, and even over the screen.
float hash(vec2 p)
{
    return fract(52.9829189 * fract(dot(p, vec2(0.06711056, 0.00583715))));
}

void main()
{
    vec3 radiance = texture(cubeMapSampler, direction).rgb;
    vec3 display = displayColor(radiance) + (hash(gl_FragCoord.xy) - 0.5) / 255.0;
    color = vec4(display, 1.0);
}
