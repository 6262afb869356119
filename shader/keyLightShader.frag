#version 150
// Key light on the terrain: the visible part of the light over the horizon, from the wedge
// visibility tables and the light's spherical-harmonic coefficients.
uniform sampler2DArray heightField;
uniform sampler2D test;
uniform sampler2D vis4;
uniform sampler2D vis8;
uniform sampler2D vis12;
uniform sampler2D vis16;
uniform sampler1D vis1D4;
uniform sampler1D vis1D8;
uniform sampler1D vis1D12;
uniform sampler1D vis1D16;
uniform int offset;
uniform float phi;
uniform float swathWidth;
uniform float RedLightKey[16];
uniform float GreenLightKey[16];
uniform float BlueLightKey[16];
in vec2 texCoord;
out vec4 keyLight;

void main()
{
    vec3 n = texture(test, texCoord).xyz;
    float h = texture(heightField, vec3(texCoord, 0.0)).r;
    float horizon = clamp(h * swathWidth / float(offset + 1), 0.0, 1.0);
    vec4 v2a = texture(vis4, vec2(horizon, fract(phi / 360.0)));
    vec4 v2b = texture(vis8, vec2(horizon, fract(phi / 360.0)));
    vec4 v2c = texture(vis12, vec2(horizon, fract(phi / 360.0)));
    vec4 v2d = texture(vis16, vec2(horizon, fract(phi / 360.0)));
    vec4 v1a = texture(vis1D4, n.y);
    vec4 v1b = texture(vis1D8, n.y);
    vec4 v1c = texture(vis1D12, n.y);
    vec4 v1d = texture(vis1D16, n.y);
    float vis[16] = float[16](v2a.x * v1a.x, v2a.y * v1a.y, v2a.z * v1a.z, v2a.w * v1a.w,
                              v2b.x * v1b.x, v2b.y * v1b.y, v2b.z * v1b.z, v2b.w * v1b.w,
                              v2c.x * v1c.x, v2c.y * v1c.y, v2c.z * v1c.z, v2c.w * v1c.w,
                              v2d.x * v1d.x, v2d.y * v1d.y, v2d.z * v1d.z, v2d.w * v1d.w);
    vec3 light = vec3(0.0);
    for (int i = 0; i < 16; ++i)
        light += vis[i] * vec3(RedLightKey[i], GreenLightKey[i], BlueLightKey[i]);
    keyLight = vec4(max(light, vec3(0.0)), 1.0);
}
