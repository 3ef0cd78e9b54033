function pathOrderTest()
%PATHORDERTEST Whichever order the modules' folder and matlab/ are added to the
%   path, every function runs and help shows its text.
  modules = fileparts(which('pairMatte'));
  scripts = fileparts(which('pairMatteDemo'));
  assert(~strcmp(modules, scripts), 'pairMatte resolves to a file in matlab/, not the module');
  orders = {{modules, scripts}, {scripts, modules}};
  for k = 1:numel(orders)
    rmpath(modules, scripts);
    addpath(orders{k}{1});
    addpath(orders{k}{2});   % addpath puts each folder first: this one wins
    image = repmat(reshape([0.9 0.1 0.1], 1, 1, 3), 4, 6);
    image(:, 4:6, :) = repmat(reshape([0.1 0.2 0.8], 1, 1, 3), 4, 3);
    trimap = repmat(uint8([255 255 128 128 0 0]), 4, 1);
    alpha = pairMatte(image, trimap);
    assert(isequal(size(alpha), [4 6]), 'order %d: pairMatte did not run', k);
    evalc('fringeScan(image, trimap == 255, trimap == 0, trimap == 128);');
    confidence = pairConfidence(zeros(1, 3), ones(1, 3), zeros(1, 3), 1, 1);
    assert(isscalar(confidence), 'order %d: pairConfidence did not run', k);
    for name = {'pairMatte', 'fringeScan', 'pairSeek', 'refineBand', 'refineMatte', 'pairConfidence'}
      text = help(name{1});
      assert(~isempty(strfind(upper(text), upper(name{1}))), 'order %d: help %s shows no text', k, name{1});
    end
  end
  fprintf('pathOrderTest: passed\n');
end
