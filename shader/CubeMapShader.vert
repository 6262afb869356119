#version 150
// Sky: the cube around the eye, drawn without the view's translation so it stays at infinity.
uniform mat4 projectionMatrix;
uniform mat4 viewMatrix;
in vec3 Position;
in vec3 Texcoord;
out vec3 direction;

void main()
{
    direction = Texcoord;
    vec4 clip = projectionMatrix * vec4(mat3(viewMatrix) * Position, 1.0);
    gl_Position = clip.xyww;
}
