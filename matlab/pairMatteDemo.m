function pairMatteDemo(outFolder)
%PAIRMATTEDEMO Mattes the sample in data/ and writes the results for a person to look at.
%   pairMatteDemo() runs pairMatte on data/synth1 with its default options, prints
%   its progress, the time taken and the SAD and MSE against the true alpha, and
%   writes into out/ (or pairMatteDemo(outFolder)):
%     synth1_alpha.png     the alpha matte, 8-bit gray;
%     synth1_cutout.png    the cut-out: the foreground colours with the matte as alpha (RGBA);
%     synth1_overview.png  image, trimap, alpha and the cut-out over a checkerboard, side by side.
%   Needs the pairMatte module on the path (make demo builds it and sets it).
%
%   See also pairMatte, matteQuality.

root = fileparts(fileparts(mfilename('fullpath')));
if nargin < 1
    outFolder = fullfile(root, 'out');
end
name = 'synth1';
matteCase = readMatteCase(fullfile(root, 'data'), name);
[rows, cols, ~] = size(matteCase.image);
fprintf('pairMatteDemo: %s, %d x %d pixels\n', name, rows, cols);

started = tic;
[alpha, foreground] = pairMatte(matteCase.image, matteCase.trimap, 'Verbose', true);
seconds = toc(started);
[sad, mse, unknown] = matteScores(alpha, matteCase.alpha, matteCase.trimap);
fprintf('pairMatteDemo: %.3f s; against the true alpha over %d unknown pixels: SAD %.4f, MSE %.6f\n', ...
        seconds, unknown, sad, mse);

if ~exist(outFolder, 'dir')
    mkdir(outFolder);
end
alpha8 = uint8(round(alpha * 255));
imwrite(alpha8, fullfile(outFolder, [name '_alpha.png']));
imwrite(uint8(round(foreground * 255)), fullfile(outFolder, [name '_cutout.png']), 'Alpha', alpha8);

% Overview: image | trimap | alpha | cut-out over a checkerboard, 8-pixel gaps.
[r, c] = ndgrid(1:rows, 1:cols);
checker = 0.6 + 0.3 * mod(floor((r - 1) / 10) + floor((c - 1) / 10), 2);
composite = alpha .* foreground + (1 - alpha) .* checker;
image = double(matteCase.image) / 255;
trimap = double(matteCase.trimap(:, :, 1)) / 255;
gap = ones(rows, 8, 3);
overview = [image, gap, repmat(trimap, [1 1 3]), gap, repmat(alpha, [1 1 3]), gap, composite];
imwrite(uint8(round(overview * 255)), fullfile(outFolder, [name '_overview.png']));
fprintf('pairMatteDemo: wrote %s_alpha.png, %s_cutout.png and %s_overview.png into %s\n', ...
        name, name, name, outFolder);
end
