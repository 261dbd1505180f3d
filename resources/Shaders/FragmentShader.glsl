// The sky chart's fragment shader: the interpolated colour, modulated by
// the texture on unit 0 while one is bound.

precision mediump float;

uniform int u_UseTexture;
uniform sampler2D texture;

varying vec4 v_Color;
varying vec2 v_TexCoord;

void main()
{
    if (u_UseTexture == 1) {
        gl_FragColor = v_Color * texture2D(texture, v_TexCoord);
    } else {
        gl_FragColor = v_Color;
    }
}
