#version 150
// The sky's display colour (exposure, tone curve, sRGB) in every direction of the sky map's
// layout, made once from the HDR cube map when the sky is first drawn.
uniform samplerCube sky;
uniform float side; // texels along each edge of the map
out vec4 color;

void main()
{
    vec3 direction = directionFromSkyMap(gl_FragCoord.xy / side);
    color = vec4(displayColor(texture(sky, direction).rgb), 1.0);
}
