function results = matteQuality(folders, varargin)
%MATTEQUALITY Quality and time of pairMatte on every case of one or more folders.
%   matteQuality() runs pairMatte with its default options on every case of the
%   shared test data beside the repository (../shared/data), or of the repository's
%   own data/ when that is absent. matteQuality(folder) and matteQuality({folder, ...})
%   take the cases of the given folders; pairMatte options may follow, as in
%   matteQuality(folder, 'Passes', 5). A case is the three files <case>_image.png,
%   <case>_trimap.png and <case>_alpha.png.
%
%   Prints one row per case: the unknown pixels, then for the search alone
%   ('Refine', false) and for the refined matte ('Refine', true): SAD (sum over the
%   unknown region of |alpha - true alpha|, divided by 1000), MSE (mean of the
%   squared error over the unknown region) and the seconds of a pairMatte call, the
%   best of three after an untimed one, so that loading the modules and a busy
%   machine count least.
%
%   results = matteQuality(...) also returns the rows, a struct array with the fields
%   folder, name, unknown, and sad, mse, seconds of the refined matte and searchSad,
%   searchMse, searchSeconds of the search alone.
%
%   See also pairMatte.

if nargin < 1 || isempty(folders)
    root = fileparts(fileparts(mfilename('fullpath')));
    folders = fullfile(root, '..', 'shared', 'data');
    if ~exist(folders, 'dir')
        folders = fullfile(root, 'data');
    end
end
if ischar(folders)
    folders = {folders};
end

results = struct('folder', {}, 'name', {}, 'unknown', {}, 'sad', {}, 'mse', {}, 'seconds', {}, ...
                 'searchSad', {}, 'searchMse', {}, 'searchSeconds', {});
fprintf('%-10s %9s | %-28s | %-28s\n', '', '', 'search alone', 'refined');
fprintf('%-10s %9s | %8s %10s %8s | %8s %10s %8s\n', 'case', 'unknown', 'SAD', 'MSE', 'seconds', ...
        'SAD', 'MSE', 'seconds');
for f = 1:numel(folders)
    folder = folders{f};
    if ~exist(folder, 'dir')
        error('pairseek:matteQuality:folder', 'no folder %s', folder);
    end
    if numel(folders) > 1
        fprintf('%s:\n', folder);
    end
    for name = caseNames(folder)
        matteCase = readMatteCase(folder, name{1});
        [searchAlpha, searchSeconds] = timedMatte(matteCase, [varargin, {'Refine', false}]);
        [alpha, seconds] = timedMatte(matteCase, [varargin, {'Refine', true}]);
        [searchSad, searchMse] = matteScores(searchAlpha, matteCase.alpha, matteCase.trimap);
        [sad, mse, unknown] = matteScores(alpha, matteCase.alpha, matteCase.trimap);
        fprintf('%-10s %9d | %8.4f %10.6f %8.3f | %8.4f %10.6f %8.3f\n', name{1}, unknown, ...
                searchSad, searchMse, searchSeconds, sad, mse, seconds);
        results(end + 1) = struct('folder', folder, 'name', name{1}, 'unknown', unknown, ...
                                  'sad', sad, 'mse', mse, 'seconds', seconds, 'searchSad', searchSad, ...
                                  'searchMse', searchMse, 'searchSeconds', searchSeconds); %#ok<AGROW>
    end
end
if nargout == 0
    clear results;
end
end

function [alpha, seconds] = timedMatte(matteCase, options)
% The matte, and the best time of three calls after an untimed one.
alpha = pairMatte(matteCase.image, matteCase.trimap, options{:});
seconds = Inf;
for run = 1:3
    started = tic;
    pairMatte(matteCase.image, matteCase.trimap, options{:});
    seconds = min(seconds, toc(started));
end
end

function names = caseNames(folder)
% Cases with all three files, sorted by name.
listing = dir(fullfile(folder, '*_trimap.png'));
names = {};
for k = 1:numel(listing)
    name = listing(k).name(1:end - numel('_trimap.png'));
    if exist(fullfile(folder, [name '_image.png']), 'file') && exist(fullfile(folder, [name '_alpha.png']), 'file')
        names{end + 1} = name; %#ok<AGROW>
    end
end
names = sort(names);
end
