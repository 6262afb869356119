#version 150
// Synthesis: brings a reduced level back to full resolution with bilinear filtering.
uniform sampler2DArray tex_Source;
uniform float scale;
uniform float level;
in vec2 texCoord;
out vec4 synthesized;

void main()
{
    float h = texture(tex_Source, vec3(texCoord * scale, level + 2.0)).r;
    synthesized = vec4(h, h, h, 1.0);
}
