#version 150
// Lays the model's box over the stage already in the picture. The box was cleared to transparent
// black and the model drawn into it opaque, so the mean of a pixel's samples is the model's colour
// weighted by how much of the pixel it covers, and that weight is its alpha: premultiplied colour,
// blended with (1, 1 - alpha). The stage itself is smooth and needs no samples of its own.
uniform sampler2DMS Focus;
uniform int FocusSamples;
uniform ivec2 FocusOrigin; // the box's lower-left pixel in the target
out vec4 color;

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy) - FocusOrigin;
    vec4 sum = vec4(0.0);
    for (int s = 0; s < FocusSamples; ++s)
        sum += texelFetch(Focus, p, s);
    color = sum / float(FocusSamples);
}
