#version 150
// Debug view of the environment light target, tone-mapped.
uniform sampler2D tex;
in vec2 texCoord;
out vec4 color;

void main()
{
    vec3 hdr = texture(tex, texCoord).rgb;
    color = vec4(hdr / (hdr + 1.0), 1.0);
}
