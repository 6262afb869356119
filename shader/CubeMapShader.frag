#version 150
// The HDR sky through the shared exposure and tone curve, read from the display colours baked
// from it (Common.glsl, sky display map), with a faint dither so its long, soft gradients do not
// break into 8-bit bands. The cube map itself ("cubeMapSampler") is read once, by the bake.
uniform samplerCube cubeMapSampler;
uniform sampler2D skyDisplay;
in vec3 direction;
out vec4 color;

// Interleaved gradient noise: cheap, and even over the screen.
float hash(vec2 p)
{
    return fract(52.9829189 * fract(dot(p, vec2(0.06711056, 0.00583715))));
}

void main()
{
    vec3 display = texture(skyDisplay, skyMapFromDirection(direction)).rgb +
                   (hash(gl_FragCoord.xy) - 0.5) / 255.0;
    color = vec4(display, 1.0);
}
