#version 150
// Animated height field: fractal gradient noise from the permutation/gradient lookup texture.
uniform sampler2D permTexture;
uniform float time;
in vec2 texCoord;
out vec4 height;

const float ONE = 1.0 / 256.0;

float fade(float t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

// Gradient at lattice corner (i, j, k): the texture holds the hashed gradient of (i, j) in rgb
// and the hash in alpha; k is folded in by a second lookup.
float grad(vec3 cell, vec3 p)
{
    vec4 a = texture(permTexture, (cell.xy + 0.5) * ONE);
    vec4 b = texture(permTexture, vec2(a.a + cell.z * ONE, 0.5 * ONE));
    vec3 g = b.rgb * 4.0 - 1.0;
    return dot(g, p);
}

float gradientNoise(vec3 p)
{
    vec3 cell = floor(p);
    vec3 f = p - cell;
    vec3 u = vec3(fade(f.x), fade(f.y), fade(f.z));
    float n000 = grad(cell, f);
    float n100 = grad(cell + vec3(1, 0, 0), f - vec3(1, 0, 0));
    float n010 = grad(cell + vec3(0, 1, 0), f - vec3(0, 1, 0));
    float n110 = grad(cell + vec3(1, 1, 0), f - vec3(1, 1, 0));
    float n001 = grad(cell + vec3(0, 0, 1), f - vec3(0, 0, 1));
    float n101 = grad(cell + vec3(1, 0, 1), f - vec3(1, 0, 1));
    float n011 = grad(cell + vec3(0, 1, 1), f - vec3(0, 1, 1));
    float n111 = grad(cell + vec3(1, 1, 1), f - vec3(1, 1, 1));
    vec4 nz0 = vec4(n000, n100, n010, n110);
    vec4 nz1 = vec4(n001, n101, n011, n111);
    vec4 nz = mix(nz0, nz1, u.z);
    vec2 ny = mix(nz.xy, nz.zw, u.y);
    return mix(ny.x, ny.y, u.x);
}

void main()
{
    vec3 p = vec3(texCoord * 6.0, time * 0.0002);
    float h = 0.0;
    float amplitude = 0.5;
    for (int octave = 0; octave < 5; ++octave) {
        h += amplitude * gradientNoise(p);
        p = p * 2.03 + vec3(17.1, 5.3, 0.0);
        amplitude *= 0.5;
    }
    h = clamp(h * 0.6 + 0.45, 0.0, 1.0);
    height = vec4(h, h, h, 1.0);
}
