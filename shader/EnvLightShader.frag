#version 150
// The sky's light on the animated terrain, per height texel: the irradiance of the sky's
// spherical-harmonic radiance for the surface normal, times the share of the sky the surrounding
// terrain leaves open. rgb: that light; a: the open share.
uniform sampler2DArray heightField; // layer 0: the animated height field
uniform float skyRed[9];            // the sky's radiance, bands 0 to 2, in the SH frame
uniform float skyGreen[9];
uniform float skyBlue[9];
out vec4 color;

const float texelSize = TERRAIN_SIZE / HEIGHT_TEXELS;
const float PI = 3.14159265;

float heightAt(ivec2 texel)
{
    return texelFetch(heightField, ivec3(texel, 0), 0).r * HEIGHT_SCALE;
}

// Between texels, filtered; x = column (world x), y = row (world z).
float heightBetween(vec2 texel)
{
    return texture(heightField, vec3((texel + 0.5) / HEIGHT_TEXELS, 0.0)).r * HEIGHT_SCALE;
}

// World normal from central differences, one-sided at the border.
vec3 surfaceNormal(ivec2 p)
{
    ivec2 lo = max(p - 1, ivec2(0));
    ivec2 hi = min(p + 1, ivec2(int(HEIGHT_TEXELS) - 1));
    float dhdx = (heightAt(ivec2(hi.x, p.y)) - heightAt(ivec2(lo.x, p.y))) /
                 (float(hi.x - lo.x) * texelSize);
    float dhdz = (heightAt(ivec2(p.x, hi.y)) - heightAt(ivec2(p.x, lo.y))) /
                 (float(hi.y - lo.y) * texelSize);
    return normalize(vec3(-dhdx, 1.0, -dhdz));
}

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

// The open share of the sky: in 8 azimuths, the highest terrain seen at 2 to 32 texels, taken as
// an elevation above the surface's own plane; a slice whose horizon stands e above that plane
// keeps cos^2(e) of its cosine-weighted light. Terrain beyond the field's edge hides nothing.
float openSky(ivec2 p, vec3 n)
{
    vec2 gradient = vec2(-n.x, -n.z) / n.y; // dh/dx, dh/dz
    float h0 = heightAt(p);
    float open = 0.0;
    for (int a = 0; a < 8; ++a) {
        float angle = float(a) * (PI / 4.0);
        vec2 dir = vec2(cos(angle), sin(angle));
        float planeSlope = dot(gradient, dir);
        float horizonSlope = planeSlope;
        float dist = 2.0;
        for (int s = 0; s < 5; ++s, dist *= 2.0) {
            vec2 q = vec2(p) + dir * dist;
            if (any(lessThan(q, vec2(0.0))) || any(greaterThan(q, vec2(HEIGHT_TEXELS - 1.0))))
                break;
            horizonSlope = max(horizonSlope, (heightBetween(q) - h0) / (dist * texelSize));
        }
        float e = atan(horizonSlope) - atan(planeSlope);
        float c = cos(e);
        open += c * c;
    }
    return open / 8.0;
}

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
    vec3 n = surfaceNormal(p);
    vec3 s = shFromWorld(n);
    vec3 sky = max(vec3(irradiance(skyRed, s), irradiance(skyGreen, s), irradiance(skyBlue, s)),
                   vec3(0.0));
    float open = openSky(p, n);
    color = vec4(sky * open, open);
}
