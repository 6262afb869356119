#version 150
// The product model's studio, drawn as one triangle that covers the picture: each corner carries
// the eye's ray through it, which interpolates exactly across the screen.
uniform mat3 RayBasis; // world directions of the picture's x and y half-extents, and ahead
out vec3 ray;

void main()
{
    vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);
    ray = RayBasis * vec3(corner, 1.0);
    gl_Position = vec4(corner, 0.0, 1.0);
}
