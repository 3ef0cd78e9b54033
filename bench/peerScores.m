function peerScores(photos, outFile)
%PEERSCORES Writes bench/peerScores.csv: the benchmark's four measures of the peers'
%   mattes beside the shared photographs, which matteQuality prints beside its own.
%   peerScores() reads ../shared/photos/<method>/<case>.png (16-bit or 8-bit grey)
%   for each method folder there; peerScores(photos, outFile) names the folders.
%   Also the closed-form SAD of the synthetic cases (no other measure known).
%   Needs matlab/ on the path (matteScores).
root = fileparts(fileparts(mfilename('fullpath')));
if nargin < 1
    photos = fullfile(root, '..', 'shared', 'photos');
end
if nargin < 2
    outFile = fullfile(root, 'bench', 'peerScores.csv');
end
lines = {'method,case,sad,mse,gradient,connectivity'};
for method = {'closed-form', 'information-flow'}
    listing = dir(fullfile(photos, method{1}, '*.png'));
    for k = 1:numel(listing)
        name = listing(k).name(1:end - 4);
        trimap = imread(fullfile(photos, [name '_trimap.png']));
        truth = unitAlpha(imread(fullfile(photos, [name '_alpha.png'])));
        alpha = unitAlpha(imread(fullfile(photos, method{1}, listing(k).name)));
        [sad, mse, ~, gradient, connectivity] = matteScores(alpha, truth, trimap);
        lines{end + 1} = sprintf('%s,%s,%.4f,%.6f,%.4f,%.4f', method{1}, name, sad, mse, gradient, connectivity); %#ok<AGROW>
    end
end
% Closed-form matting's SAD on the synthetic cases, measured when the refinement was
% first tuned (README, Refinement); their mattes are not kept.
lines = [lines, {'closed-form,test,0.001,,,', 'closed-form,synth1,0.151,,,', 'closed-form,synth2,1.019,,,', ...
                 'closed-form,synth3,2.486,,,'}];
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
