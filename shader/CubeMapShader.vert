#version 150
// Sky: the cube around the eye, turned with the view but not moved by it, so it stays at
// infinity. It lies at one depth just inside the far end of the range: the cleared depth (1.0)
// lets it through, and everything drawn after it is nearer.
uniform mat4 projectionMatrix;
uniform mat4 viewMatrix;
in vec3 Position;
in vec3 Texcoord;
out vec3 direction;

const float skyDepth = 0.9999; // z / w; 1.0 would fail the depth test against the clear

void main()
{
    direction = Texcoord;
    vec4 clip = projectionMatrix * vec4(mat3(viewMatrix) * Position, 1.0);
    gl_Position = vec4(clip.xy, clip.w * skyDepth, clip.w);
}
