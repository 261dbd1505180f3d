// The sky chart's vertex shader: every GL primitive of the chart is drawn
// through it. Chart primitives pass 2 floats per position (screen pixels)
// and 3-D models 3; a vec4 attribute receives z = 0 and w = 1 for the
// components an array leaves out.
//
// Lighting applies while a light direction is set (the Sun's direction in
// the model's frame, as are the normals); the zero direction of the
// default state, or a missing normal, leaves the colour unlit.

precision highp float;

attribute vec4 a_Position;
attribute vec4 a_Color;
attribute vec3 a_Normal;
attribute vec2 a_TexCoord;
attribute vec4 a_materialAmbient;
attribute vec4 a_materialDiffuse;
attribute vec4 a_materialSpecular;
attribute float a_materialShininess;

uniform mat4 u_MVMatrix;
uniform mat4 u_MVPMatrix;
uniform int u_UseMaterial;
uniform vec3 u_LightDir;

varying vec4 v_Color;
varying vec2 v_TexCoord;

void main()
{
    vec4 color = a_Color;
    float lightLength = length(u_LightDir);
    float normalLength = length(a_Normal);
    bool lit = lightLength > 0.0 && normalLength > 0.0;
    float diffuse = 1.0;
    float specular = 0.0;
    if (lit) {
        vec3 n = a_Normal / normalLength;
        vec3 l = u_LightDir / lightLength;
        diffuse = max(dot(n, l), 0.0);
        if (u_UseMaterial == 1 && diffuse > 0.0 && a_materialShininess > 0.0) {
            // Towards the viewer: the model-view's +z axis, which in the
            // model's frame is the third row of its rotation.
            vec3 eye = normalize(vec3(u_MVMatrix[0][2], u_MVMatrix[1][2], u_MVMatrix[2][2]));
            specular = pow(max(dot(n, normalize(l + eye)), 0.0), a_materialShininess);
        }
    }
    if (u_UseMaterial == 1) {
        color = vec4(a_materialAmbient.rgb + a_materialDiffuse.rgb * diffuse +
                     a_materialSpecular.rgb * specular, a_materialDiffuse.a);
    } else if (lit) {
        color = vec4(color.rgb * diffuse, color.a);
    }
    v_Color = clamp(color, 0.0, 1.0);
    v_TexCoord = a_TexCoord;
    gl_Position = u_MVPMatrix * a_Position;
}
