// The C++ API in a few lines: a 4 x 6 image, red on the left, blue on the right
// and an even blend between, with its trimap; prints the blend's alpha.
#include <cstdio>
#include <pairseek.h>

int main() {
    const unsigned char red[3] = {230, 26, 26}, blue[3] = {26, 51, 204}, trimapRow[6] = {255, 255, 128, 128, 0, 0};
    unsigned char image[4][6][3], trimap[4][6];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c) {
            for (int k = 0; k < 3; ++k) image[r][c][k] = c < 2 ? red[k] : c > 3 ? blue[k] : (red[k] + blue[k]) / 2;
            trimap[r][c] = trimapRow[c];
        }
    using pairseek::ArrayView;
    using pairseek::ElementType;
    pairseek::MatteOptions options;
    options.gamma = 1;   // a blend of the stored values, as in a composite (a camera's are blends of light)
    const pairseek::Matte matte = pairseek::pairMatte(ArrayView::interleaved(image, ElementType::uint8, 4, 6, 3),
                                                      ArrayView::interleaved(trimap, ElementType::uint8, 4, 6), options);
    std::printf("alpha of the blend: %.3f\n", matte.alphaAt(1, 2));
}
