#version 150
// The animated height field: a ridged multifractal of gradient noise whose lattice is hashed
// through the permutation texture (texel (row i, column j): hash P[(P[i] + j) mod 256] in alpha,
// that hash's gradient in rgb as (g + 1) * 64). lighting/HeightNoise.cpp computes the same
// function for the base height image: change both together.
uniform sampler2D permTexture;
uniform float time; // demo milliseconds x 1e-7
out vec4 height;

int lookupHash(int row, int column)
{
    return int(texelFetch(permTexture, ivec2(column & 255, row & 255), 0).a * 255.0 + 0.5);
}

// The gradient of lattice corner (i, j, k), given rowHash = lookupHash(i, j), dotted with f.
float cornerValue(int rowHash, int k, vec3 f)
{
    vec3 g = floor(texelFetch(permTexture, ivec2(k & 255, rowHash), 0).rgb * 255.0 + 0.5) / 64.0;
    return dot(g - 1.0, f);
}

float gradientNoise(vec3 p)
{
    vec3 cell = floor(p);
    ivec3 i = ivec3(cell);
    vec3 f = p - cell;
    int h00 = lookupHash(i.x, i.y);
    int h10 = lookupHash(i.x + 1, i.y);
    int h01 = lookupHash(i.x, i.y + 1);
    int h11 = lookupHash(i.x + 1, i.y + 1);
    float n000 = cornerValue(h00, i.z, f);
    float n100 = cornerValue(h10, i.z, f - vec3(1.0, 0.0, 0.0));
    float n010 = cornerValue(h01, i.z, f - vec3(0.0, 1.0, 0.0));
    float n110 = cornerValue(h11, i.z, f - vec3(1.0, 1.0, 0.0));
    float n001 = cornerValue(h00, i.z + 1, f - vec3(0.0, 0.0, 1.0));
    float n101 = cornerValue(h10, i.z + 1, f - vec3(1.0, 0.0, 1.0));
    float n011 = cornerValue(h01, i.z + 1, f - vec3(0.0, 1.0, 1.0));
    float n111 = cornerValue(h11, i.z + 1, f - vec3(1.0, 1.0, 1.0));
    vec3 u = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
    float z0 = mix(mix(n000, n100, u.x), mix(n010, n110, u.x), u.y);
    float z1 = mix(mix(n001, n101, u.x), mix(n011, n111, u.x), u.y);
    return mix(z0, z1, u.z);
}

float terrainHeight(vec2 uv, float t)
{
    // Ridged multifractal: sharp crests where the noise crosses zero; each octave is weighted by
    // the one before, so detail gathers on the ridges while the valleys stay smooth. Each octave's
    // lattice is turned against the last: a slice of the noise parallel to its lattice (time
    // runs along z) shows the lattice's straight lines. Finer octaves also run faster in time.
    vec3 p = vec3(uv * 2.6 + vec2(0.43, 1.37), t * 250.0 + 0.47);
    float sum = 0.0, weight = 1.0, amplitude = 1.0;
    for (int octave = 0; octave < 5; ++octave) {
        vec3 turned = vec3(-0.2588 * p.x - 0.9209 * p.y - 0.2915 * p.z,
                           0.2915 * p.x + 0.2133 * p.y - 0.9325 * p.z,
                           0.9209 * p.x - 0.3263 * p.y + 0.2133 * p.z);
        float ridge = 1.0 - abs(gradientNoise(turned));
        ridge = ridge * ridge * weight;
        weight = clamp(ridge * 1.8, 0.0, 1.0);
        sum += ridge * amplitude;
        p = turned * 2.03 + vec3(0.19, 0.61, 0.37);
        amplitude *= 0.45;
    }
    // A slow, broad mask raises mountain ranges in some places and leaves lowlands in others.
    float mask = 0.5 + 1.2 * gradientNoise(vec3(uv * 1.17 + vec2(5.1, 2.3), t * 120.0 + 3.7));
    mask = smoothstep(0.0, 1.0, mask);
    // Soft floor in the valleys, soft ceiling under the camera's path.
    float s = sum * (0.3 + 0.7 * mask) - 0.15;
    float lifted = log(1.0 + exp(s * 10.0)) / 10.0;
    return 0.9 * (1.0 - exp(-lifted * 1.3));
}

void main()
{
    float h = terrainHeight(gl_FragCoord.xy / HEIGHT_TEXELS, time);
    height = vec4(h, h, h, 1.0);
}
