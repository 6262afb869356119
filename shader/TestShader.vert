#version 150
// Product model: everything is lit in eye space. The light arrives in world space, but only
// View x R x T is supplied (R turns the model about the world's y axis). The camera's forward
// direction is known in world space (LightSourceHalfVector + LightSourcePosition) and, through
// the model-view matrix, in model space; the turn between the two is R, so the light can be
// carried into the model's frame and then through the model-view matrix like a vertex. The
// model is drawn at the origin (T = identity).
uniform mat4 ProjectionMatrix;
uniform mat4 ModelViewMatrix;
uniform vec3 LightSourcePosition;
uniform vec3 LightSourceHalfVector;
in vec3 Position;
in vec2 TexCoord;
in vec3 Normal;
in vec4 Tangent; // (0, 0, 0, 1) when the model has none: the fragment stage then keeps Normal
out vec2 uv;
out vec3 eyePosition;
out vec3 eyeNormal;
out vec4 eyeTangent;
// The same for every vertex of a draw: passed flat, so nothing is set up or interpolated for them.
flat out vec3 eyeLight;
flat out vec3 eyeUp;

vec3 lightInModelFrame()
{
    mat3 modelView = mat3(ModelViewMatrix);
    vec3 forwardWorld = LightSourceHalfVector + LightSourcePosition;
    vec3 forwardModel = transpose(modelView) * vec3(0.0, 0.0, -1.0);
    vec2 a = forwardWorld.xz;
    vec2 b = forwardModel.xz;
    // The turn about y that takes a to b; none when the camera looks straight up or down.
    vec2 cs = vec2(dot(a, b), b.x * a.y - a.x * b.y);
    float len = length(cs);
    cs = len > 1e-6 ? cs / len : vec2(1.0, 0.0);
    vec3 l = LightSourcePosition;
    return vec3(cs.x * l.x + cs.y * l.z, l.y, -cs.y * l.x + cs.x * l.z);
}

void main()
{
    mat3 modelView = mat3(ModelViewMatrix);
    vec4 eye = ModelViewMatrix * vec4(Position, 1.0);
    eyePosition = eye.xyz;
    eyeNormal = modelView * Normal;
    eyeTangent = vec4(modelView * Tangent.xyz, Tangent.w);
    eyeLight = (ModelViewMatrix * vec4(lightInModelFrame(), 1.0)).xyz;
    // R keeps the y axis, so this is the world's up in eye space; normalised here, once a vertex
    float upLength = length(modelView[1]);
    eyeUp = upLength > 1e-8 ? modelView[1] / upLength : vec3(0.0, 1.0, 0.0);
    uv = TexCoord;
    gl_Position = ProjectionMatrix * eye;
}
