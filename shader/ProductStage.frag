#version 150
// The product model's studio: a seamless sweep lit by a large soft box above the model. The floor
// is brightest in a pool around the model and carries its soft shadow (the footprint, blurred,
// turned with the model); far away it fades into the backdrop, which darkens upward and away from
// the model, so the picture has no horizon line and the eye goes to the product.
uniform vec3 Eye;
uniform float FloorHeight;
uniform vec2 ModelTurn; // cos, sin of the model's turn about the world's y axis
uniform float ShadowHalfSize;
uniform sampler2D FootprintShadow; // x, z of the model's frame over [-half, half]
uniform float ShadowStrength;     // 0: the stage alone
in vec3 ray;
out vec4 color;

const vec3 WALL_LOW = vec3(0.048, 0.047, 0.046); // the sweep's bend, behind the model
const vec3 WALL_HIGH = vec3(0.0035, 0.004, 0.005);
const vec3 FLOOR_LIGHT = vec3(0.30, 0.295, 0.285); // soft box irradiance x floor albedo, at the model
const float POOL_RADIUS = 2.1;

// What the eye sees along direction d where there is no floor: the sweep rising into the dark.
vec3 backdrop(vec3 d)
{
    float rise = smoothstep(0.0, 0.55, max(d.y, 0.0));
    // Darker away from the model's direction (it stands at the origin), so the frame vignettes
    // itself wherever the camera goes.
    float toward = dot(d, normalize(-Eye));
    float glow = exp((toward - 1.0) * 10.0);
    return mix(WALL_LOW, WALL_HIGH, rise) * (0.35 + 0.65 * glow);
}

void main()
{
    vec3 d = normalize(ray);
    vec3 radiance = backdrop(d);
    if (d.y < -1e-4 && Eye.y > FloorHeight) {
        vec3 p = Eye + d * ((FloorHeight - Eye.y) / d.y);
        float r2 = dot(p.xz, p.xz);
        vec2 m = vec2(ModelTurn.x * p.x - ModelTurn.y * p.z, ModelTurn.y * p.x + ModelTurn.x * p.z);
        float shadow = texture(FootprintShadow, m / (2.0 * ShadowHalfSize) + 0.5).r;
        vec3 floorColor = FLOOR_LIGHT * exp(-r2 / (POOL_RADIUS * POOL_RADIUS)) *
                          (1.0 - 0.92 * ShadowStrength * shadow);
        // The floor bends up into the backdrop: the farther, the more it takes the backdrop's
        // colour, reached at the horizon.
        float bend = smoothstep(0.0, 1.0, sqrt(r2) / 9.0);
        radiance = mix(floorColor + radiance, radiance, bend);
    }
    color = vec4(displayColor(radiance), 1.0);
}
