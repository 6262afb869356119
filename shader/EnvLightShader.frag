#version 150
// The sky's light on the animated terrain, per height texel: the irradiance of the sky's
// spherical-harmonic radiance for the surface normal, with no terrain in the way (the key-light
// pass finds the horizons and keeps the open share of the sky in keyLightTarget's alpha, which
// the terrain multiplies in). rgb: that irradiance; a: the surface's steepness 1 - n.y, which
// the terrain's material reads at full resolution.
uniform sampler2DArray heightField; // layer 0: the animated height field
uniform float skyRed[9];            // the sky's radiance, bands 0 to 2, in the SH frame
uniform float skyGreen[9];
uniform float skyBlue[9];
out vec4 color;

// Irradiance for a unit normal in the SH frame (Ramamoorthi and Hanrahan 2001). Our basis carries
// the Condon-Shortley phase, so its m = +-1 functions are the negatives of theirs: L[1], L[3],
// L[5] and L[7] enter with the opposite sign.
float irradiance(float L[9], vec3 n)
{
    const float c1 = 0.429043, c2 = 0.511664, c3 = 0.743125, c4 = 0.886227, c5 = 0.247708;
    return c1 * L[8] * (n.x * n.x - n.y * n.y) + c3 * L[6] * n.z * n.z + c4 * L[0] -
           c5 * L[6] + 2.0 * c1 * (L[4] * n.x * n.y - L[7] * n.x * n.z - L[5] * n.y * n.z) +
           2.0 * c2 * (-L[3] * n.x - L[1] * n.y + L[2] * n.z);
}

void main()
{
    vec3 n = heightFieldNormal(heightField, ivec2(gl_FragCoord.xy));
    vec3 s = shFromWorld(n);
    vec3 sky = max(vec3(irradiance(skyRed, s), irradiance(skyGreen, s), irradiance(skyBlue, s)),
                   vec3(0.0));
    color = vec4(sky, 1.0 - n.y);
}
