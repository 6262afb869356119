#version 150
// The product model's studio, drawn as one triangle that covers the picture or as the patch of
// floor its shadow reaches: each corner carries the eye's ray to it, which interpolates exactly
// across a flat piece of the picture or of the floor.
uniform vec4 CornerClip[4]; // clip-space positions
uniform vec3 CornerRay[4];  // the eye's ray to each corner, in the world

out vec3 ray;

void main()
{
    ray = CornerRay[gl_VertexID];
    gl_Position = CornerClip[gl_VertexID];
}
