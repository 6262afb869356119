#version 150
// Full-target quad. The light's part that is the same for every texel is integrated here, once
// per vertex: the whole upper hemisphere, and the light at the lowest ring's nodes, where most
// horizons lie (see keyLightShader.frag).
uniform float RedLightKey[16];
in vec4 Position;
flat out vec3 openSky;                       // integral of max(L, 0) w over the upper hemisphere
flat out vec4 lowRing[KEY_AZIMUTHS * 2 / 4]; // max(L, 0) at node (2a + g) of ring 0

void main()
{
    float c[16];
    for (int i = 0; i < 16; ++i)
        c[i] = RedLightKey[i];
    float lowNodes[2 * KEY_AZIMUTHS];
    openSky = vec3(0.0);
    for (int r = 0; r < KEY_RINGS; ++r)
        for (int g = 0; g < 2; ++g) {
            float u = keyNodeU(r, g);
            float rho = sqrt(1.0 - u * u);
            float light[KEY_AZIMUTHS];
            keyLightCircle(c, u, light);
            for (int a = 0; a < KEY_AZIMUTHS; ++a) {
                openSky += light[a] * vec3(rho * keyAzimuth(a), u);
                if (r == 0)
                    lowNodes[2 * a + g] = light[a];
            }
        }
    openSky *= 0.5 * 2.0 * KEY_PI / float(KEY_AZIMUTHS) / float(KEY_RINGS);
    for (int k = 0; k < KEY_AZIMUTHS * 2 / 4; ++k)
        lowRing[k] =
            vec4(lowNodes[4 * k], lowNodes[4 * k + 1], lowNodes[4 * k + 2], lowNodes[4 * k + 3]);
    gl_Position = vec4(Position.xy, 0.0, 1.0);
}
