function peerScores(photos, outFile, data)
%PEERSCORES Writes bench/peerScores.csv: the benchmark's four measures of the peers'
%   mattes beside the shared photographs, which matteQuality prints beside its own.
%   peerScores() reads ../shared/photos/<method>/<case>.png (16-bit or 8-bit grey)
%   for each method folder there, and scores closed-form matting on the synthetic
%   cases of ../shared/data, whose mattes are not shipped, with closedFormMatte
%   (which reproduces them); peerScores(photos, outFile, data) names the folders.
%   Needs build/octave and matlab/ on the path (refineBand, matteScores).
root = fileparts(fileparts(mfilename('fullpath')));
if nargin < 1
    photos = fullfile(root, '..', 'shared', 'photos');
end
if nargin < 2
    outFile = fullfile(root, 'bench', 'peerScores.csv');
end
if nargin < 3
    data = fullfile(root, '..', 'shared', 'data');
end
lines = {'method,case,sad,mse,gradient,connectivity'};
for method = {'closed-form', 'information-flow'}
    listing = dir(fullfile(photos, method{1}, '*.png'));
    for k = 1:numel(listing)
        name = listing(k).name(1:end - 4);
        trimap = imread(fullfile(photos, [name '_trimap.png']));
        truth = unitAlpha(imread(fullfile(photos, [name '_alpha.png'])));
        alpha = unitAlpha(imread(fullfile(photos, method{1}, listing(k).name)));
        lines{end + 1} = scoreLine(method{1}, name, alpha, truth, trimap); %#ok<AGROW>
    end
end
listing = dir(fullfile(data, '*_trimap.png'));
for k = 1:numel(listing)
    name = listing(k).name(1:end - numel('_trimap.png'));
    trimap = imread(fullfile(data, listing(k).name));
    truth = unitAlpha(imread(fullfile(data, [name '_alpha.png'])));
    alpha = closedFormMatte(imread(fullfile(data, [name '_image.png'])), trimap);
    lines{end + 1} = scoreLine('closed-form', name, alpha, truth, trimap); %#ok<AGROW>
end
temporary = [outFile '.part'];
file = fopen(temporary, 'w');
if file < 0
    error('pairseek:peerScores:write', 'cannot write %s', temporary);
end
fprintf(file, '%s\n', lines{:});
fclose(file);
rename(temporary, outFile);
end

function alpha = unitAlpha(alpha)
alpha = double(alpha(:, :, 1)) / double(intmax(class(alpha)));
end

function line = scoreLine(method, name, alpha, truth, trimap)
[sad, mse, ~, gradient, connectivity] = matteScores(alpha, truth, trimap);
line = sprintf('%s,%s,%.4f,%.6f,%.4f,%.4f', method, name, sad, mse, gradient, connectivity);
end
