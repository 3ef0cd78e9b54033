function matteScoresTest()
%MATTESCORESTEST The benchmark's four measures: answers that follow from their
%   definitions on small mattes, and, when ../shared/photos is there, closed-form
%   matting's figures on one photograph as bench/peerScores.csv holds them (which
%   add up to the benchmark's published totals).
  knownAnswers();
  peerFigures();
  fprintf('matteScoresTest: passed\n');
end

function knownAnswers()
  truth = ones(7, 9);
  truth(:, 1:3) = 0;
  truth(:, 4) = 0.4;
  trimap = uint8(128 * ones(7, 9));   % all unknown
  [sad, mse, unknown, gradient, connectivity] = matteScores(truth, truth, trimap);
  assert(isequal([sad, mse, unknown, gradient, connectivity], [0, 0, 63, 0, 0]), 'a matte against itself');

  % A constant offset: no change of gradient.
  [sad, mse, ~, gradient] = matteScores(truth * 0.5 + 0.1, truth * 0.5, trimap);
  assert(abs(sad - 63 * 0.1 / 1000) < 1e-15 && abs(mse - 0.01) < 1e-15 && abs(gradient) < 1e-15, ...
         'constant offset: SAD %g, MSE %g, gradient %g', sad, mse, gradient);

  % Connectivity of one pixel inside solid foreground (only it unknown, as double
  % trimap): at alpha a it leaves the component at the first threshold above a,
  % so its level l is the threshold at or below a, d = a - l < 0.15 and phi = 1,
  % while the true alpha 1 has d = 1 - l and phi = l (when d >= 0.15).
  solid = ones(5, 5);
  trimap = ones(5, 5);
  trimap(3, 3) = 0.5;
  cases = [0, 0.001; 0.05, 0.001; 0.5, 0.0005; 0.95, 0; 0.8, 0.0002];
  for k = 1:size(cases, 1)
    alpha = solid;
    alpha(3, 3) = cases(k, 1);
    [sad, ~, unknown, ~, connectivity] = matteScores(alpha, solid, trimap);
    assert(unknown == 1 && abs(sad - (1 - cases(k, 1)) / 1000) < 1e-15, 'one pixel: SAD');
    assert(abs(connectivity - cases(k, 2)) < 1e-9, 'alpha %g: connectivity %g, expected %g', ...
           cases(k, 1), connectivity, cases(k, 2));
  end

  % Largest component: an island of alpha 1 cut off from the larger part counts as
  % disconnected from the first threshold on (level 0), in both mattes alike.
  alpha = zeros(5, 9);
  alpha(:, 1:5) = 1;
  alpha(3, 8) = 1;
  trimap = uint8(128 * ones(5, 9));
  [~, ~, ~, ~, connectivity] = matteScores(alpha, alpha, trimap);
  assert(connectivity == 0, 'the same matte: connectivity %g', connectivity);
  % The true matte bridges to the island, the estimate does not: the pair's common
  % part still leaves it cut off, so island and bridge have level 0; the island
  % scores phi 0 in both, each bridge pixel phi 1 (alpha 0) against 0 (alpha 1).
  truth = alpha;
  truth(3, 6:7) = 1;
  [~, ~, ~, ~, connectivity] = matteScores(alpha, truth, trimap);
  assert(abs(connectivity - 2 / 1000) < 1e-9, 'bridge: connectivity %g', connectivity);
end

function peerFigures()
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  photos = fullfile(root, '..', 'shared', 'photos');
  peer = fullfile(photos, 'closed-form', 'am05t1.png');
  if ~exist(peer, 'file')
    fprintf('matteScoresTest: no %s, peer figures skipped\n', peer);
    return;
  end
  text = fileread(fullfile(root, 'bench', 'peerScores.csv'));
  row = regexp(text, 'closed-form,am05t1,([^\n]*)', 'tokens', 'once');
  expected = str2double(strsplit(row{1}, ','));
  alpha = double(imread(peer)) / 65535;
  truth = double(imread(fullfile(photos, 'am05t1_alpha.png'))) / 255;
  trimap = imread(fullfile(photos, 'am05t1_trimap.png'));
  [sad, mse, ~, gradient, connectivity] = matteScores(alpha, truth, trimap);
  got = [sad, mse, gradient, connectivity];
  assert(all(abs(got - expected) <= [5e-5, 5e-7, 5e-5, 5e-5]), 'am05t1 closed-form: got %s, expected %s', ...
         mat2str(got, 6), mat2str(expected, 6));
end
